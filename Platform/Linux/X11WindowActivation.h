#pragma once

#include "Platform/WindowActivation.h"

#include <xcb/xcb.h>

namespace vesperline::platform {

// Activation on X11 through the window manager: the `_NET_ACTIVE_WINDOW` request, sent as a pager
// sends it (the user asked for the window), so a window manager's focus-stealing prevention does
// not refuse it as it may refuse an application's own request. Without an EWMH window manager the
// keyboard focus is set on the window directly.
//
// Sent on the application's own X connection, after Qt's request that mapped the window. Needs the
// xcb platform of Qt; on any other platform it does nothing.
class X11WindowActivation final : public WindowActivation {
  public:
    X11WindowActivation();

    void activate(std::uintptr_t window) override;

  private:
    bool windowManagerRuns();

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = XCB_NONE;
    xcb_atom_t activeWindow_ = XCB_NONE;
    xcb_atom_t supportingCheck_ = XCB_NONE;
};

} // namespace vesperline::platform
