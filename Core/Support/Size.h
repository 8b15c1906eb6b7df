#pragma once

namespace ostrel {

// A width and a height in floating-point units (pixels, points).
struct Size {
    double width = 0;
    double height = 0;

    bool operator==(const Size&) const = default;
};

} // namespace ostrel
