#pragma once

#include "Platform/DisplayInfo.h"

#include <functional>
#include <vector>

namespace vesperline::platform {

// The monitors of the desktop and their geometry. `displays` is safe to call from any thread.
class Displays {
  public:
    virtual ~Displays() = default;
    // Every active monitor; empty when the display server cannot be read.
    virtual std::vector<DisplayInfo> displays() = 0;
    // From now on calls `handler` on the main thread, later than the change, whenever monitors were
    // added, removed or rearranged; a burst of changes may come as one call. Replaces an earlier
    // handler. Main thread only.
    virtual void setChangeHandler(std::function<void()> handler) = 0;
};

} // namespace vesperline::platform
