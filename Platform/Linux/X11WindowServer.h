#pragma once

#include "Platform/Linux/X11Connection.h"
#include "Platform/WindowServer.h"

#include <memory>

namespace vesperline::platform {

// The window list from EWMH: the window manager's stacking order of client windows, each with its
// title (`_NET_WM_NAME`, else `WM_NAME`), process (`windowProcess`), frame (with decorations), type and
// opacity. All properties of all windows are requested before the first reply is read: one round trip.
class X11WindowServer final : public WindowServer {
  public:
    explicit X11WindowServer(std::shared_ptr<X11Connection> x11);
    std::vector<WindowServerWindow> onScreenWindows() override;

  private:
    WindowType typeOf(const std::vector<std::uint32_t>& types) const;

    std::shared_ptr<X11Connection> x11_;
};

} // namespace vesperline::platform
