#pragma once

#include "Platform/DisplayInfo.h"

#include <vector>

namespace vesperline::platform {

// The monitors of the desktop and their geometry. Safe to call from any thread.
class Displays {
  public:
    virtual ~Displays() = default;
    // Every active monitor; empty when the display server cannot be read.
    virtual std::vector<DisplayInfo> displays() = 0;
};

} // namespace vesperline::platform
