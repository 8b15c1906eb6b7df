#pragma once

#include "Support/Rect.h"

#include <cstdint>
#include <string>

namespace vesperline::platform {

// One monitor of the desktop, in global screen coordinates (origin at the top left of the desktop).
struct DisplayInfo {
    // Stable while the display server runs: the same monitor keeps its id across reads.
    std::uint32_t id = 0;
    ostrel::Rect bounds;
    std::string name;
    // The main display is the primary monitor; exactly one display of a non-empty list is main.
    bool isMain = false;

    bool operator==(const DisplayInfo&) const = default;
};

} // namespace vesperline::platform
