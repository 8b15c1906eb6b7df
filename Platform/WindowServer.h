#pragma once

#include "Platform/WindowServerWindow.h"

#include <vector>

namespace vesperline::platform {

// The display server's list of windows. Safe to call from any thread.
class WindowServer {
  public:
    virtual ~WindowServer() = default;
    // The windows on screen (mapped, not minimised, not of the desktop itself), front to back;
    // empty when the list cannot be read.
    virtual std::vector<WindowServerWindow> onScreenWindows() = 0;
};

} // namespace vesperline::platform
