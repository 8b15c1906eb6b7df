#pragma once

namespace ostrel {

// A rectangle in units of its display (1.0 = the display's full width or height), origin top left.
struct RelativeRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    static constexpr RelativeRect full() { return {0, 0, 1, 1}; }
    // Large enough for recognition to be limited to it.
    bool isUsable() const { return width > 0.05 && height > 0.05; }

    bool operator==(const RelativeRect&) const = default;
};

} // namespace ostrel
