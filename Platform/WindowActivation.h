#pragma once

#include <cstdint>

namespace vesperline::platform {

// Brings one of our own windows forward with the keyboard focus over whatever window the user is
// working in, through the desktop's window manager, which otherwise may refuse focus to a window
// that appears while another program is active.
class WindowActivation {
  public:
    virtual ~WindowActivation() = default;

    // Asks for `window` (the native id of a top-level window of ours, shown just before) to be
    // raised and given the keyboard. Returns at once; the window learns of it as an activation.
    // Main thread.
    virtual void activate(std::uintptr_t window) = 0;
};

} // namespace vesperline::platform
