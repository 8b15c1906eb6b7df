#pragma once

#include "Platform/Displays.h"

namespace vesperline::platform {

// A display layout set by the test; `change` plays a change of the layout.
class FakeDisplays final : public Displays {
  public:
    std::vector<DisplayInfo> layout;

    std::vector<DisplayInfo> displays() override { return layout; }
    void setChangeHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

    void change(std::vector<DisplayInfo> newLayout) {
        layout = std::move(newLayout);
        if (handler_) {
            handler_();
        }
    }

  private:
    std::function<void()> handler_;
};

} // namespace vesperline::platform
