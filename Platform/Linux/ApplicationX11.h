#pragma once

#include <xcb/xcb.h>

namespace vesperline::platform {

// The X connection that Qt's xcb platform opened for the application, and the root window of the
// screen $DISPLAY names. Requests sent on it are ordered with Qt's own (a window's map comes before
// a request about it). Both are null when the application does not run on X11.
struct ApplicationX11 {
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = XCB_NONE;
};

ApplicationX11 applicationX11();

} // namespace vesperline::platform
