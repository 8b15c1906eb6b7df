#pragma once

#include <cstdint>
#include <functional>

namespace vesperline::platform {

// Tells when other windows cover the whole of a top-level window of ours, so work done only for
// the eye (an animation) can rest while nothing of it shows.
class WindowOcclusion {
  public:
    virtual ~WindowOcclusion() = default;

    // Follows `window` (the native id of a top-level window of ours, already created) until
    // `forget`: `onChange` runs on the main thread, never inside this call, with true once no part of
    // the window shows and false once a part shows again. Following a window again replaces its
    // handler. Where the desktop cannot tell, `onChange` never runs. Main thread.
    virtual void follow(std::uintptr_t window, std::function<void(bool covered)> onChange) = 0;
    virtual void forget(std::uintptr_t window) = 0;
};

} // namespace vesperline::platform
