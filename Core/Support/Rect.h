#pragma once

#include <algorithm>
#include <cmath>

namespace ostrel {

// A rectangle in floating-point units with the origin at the top left, y growing downwards.
struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double minX() const { return x; }
    double minY() const { return y; }
    double maxX() const { return x + width; }
    double maxY() const { return y + height; }
    bool isEmpty() const { return !(width > 0) || !(height > 0); }

    // The common part of two rectangles, or an empty rectangle at the origin when they do not meet.
    Rect intersection(const Rect& other) const {
        const double left = std::max(minX(), other.minX());
        const double top = std::max(minY(), other.minY());
        const double right = std::min(maxX(), other.maxX());
        const double bottom = std::min(maxY(), other.maxY());
        if (!(right > left) || !(bottom > top)) {
            return {};
        }
        return {left, top, right - left, bottom - top};
    }

    bool intersects(const Rect& other) const { return !intersection(other).isEmpty(); }

    bool contains(const Rect& other) const {
        return other.minX() >= minX() && other.minY() >= minY() && other.maxX() <= maxX() &&
               other.maxY() <= maxY();
    }

    // Grows (negative d) or shrinks (positive d) every edge by the given amounts.
    Rect insetBy(double dx, double dy) const { return {x + dx, y + dy, width - 2 * dx, height - 2 * dy}; }

    bool operator==(const Rect&) const = default;
};

} // namespace ostrel
