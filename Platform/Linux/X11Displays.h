#pragma once

#include "Platform/Displays.h"
#include "Platform/Linux/X11Connection.h"

#include <memory>

namespace vesperline::platform {

// The RandR 1.5 monitors of the X screen; the primary monitor is the main display.
class X11Displays final : public Displays {
  public:
    explicit X11Displays(std::shared_ptr<X11Connection> x11);
    std::vector<DisplayInfo> displays() override;

  private:
    std::shared_ptr<X11Connection> x11_;
};

} // namespace vesperline::platform
