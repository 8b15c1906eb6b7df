#pragma once

#include "Platform/Linux/X11Connection.h"

#include <xcb/res.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace vesperline::platform {

// A read of the process that made a window, sent and not yet collected.
struct X11WindowProcessRequest {
    // Absent when the server has no X-Resource extension.
    std::optional<xcb_res_query_client_ids_cookie_t> client;
    xcb_get_property_cookie_t declared;
};

// Sends the reads now; collect them with `windowProcess`, so a batch of windows costs one round trip.
X11WindowProcessRequest requestWindowProcess(X11Connection& x11, xcb_window_t window);

// The process that made the window. The X server's own record of the client's process (X-Resource)
// comes first: a sandboxed application's `_NET_WM_PID` names a process inside its sandbox (often 2,
// the same for every sandboxed application). The window's `_NET_WM_PID` counts only when the server
// cannot tell: a client on another machine, or a server without X-Resource. Absent when neither says.
std::optional<std::int32_t> windowProcess(X11Connection& x11, const X11WindowProcessRequest& request);

// `windowProcess` of each window, in the same order, in one round trip.
std::vector<std::optional<std::int32_t>> windowProcesses(X11Connection& x11,
                                                         const std::vector<xcb_window_t>& windows);

} // namespace vesperline::platform
