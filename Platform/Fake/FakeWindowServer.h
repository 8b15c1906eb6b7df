#pragma once

#include "Platform/WindowServer.h"

namespace vesperline::platform {

// A window list set by the test, front to back.
class FakeWindowServer final : public WindowServer {
  public:
    std::vector<WindowServerWindow> windows;
    int reads = 0;

    std::vector<WindowServerWindow> onScreenWindows() override {
        ++reads;
        return windows;
    }
};

} // namespace vesperline::platform
