#pragma once

#include "Platform/Displays.h"
#include "Platform/Linux/X11Connection.h"

#include <memory>

namespace vesperline::platform {

class X11EventWatcher;

// The RandR 1.5 monitors of the X screen; the primary monitor is the main display. Changes are
// watched on a connection of their own, read on the thread that set the handler (the main thread).
class X11Displays final : public Displays {
  public:
    explicit X11Displays(std::shared_ptr<X11Connection> x11);
    ~X11Displays() override;
    std::vector<DisplayInfo> displays() override;
    void setChangeHandler(std::function<void()> handler) override;

  private:
    std::shared_ptr<X11Connection> x11_;
    std::function<void()> handler_;
    std::unique_ptr<X11EventWatcher> watcher_;
};

} // namespace vesperline::platform
