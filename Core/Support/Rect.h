#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

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

    // What of this rectangle lies outside `hole`: none, itself, or up to four pieces (the bands above
    // and below the hole, then the parts left and right of it), which do not overlap.
    std::vector<Rect> subtracting(const Rect& hole) const {
        const Rect common = intersection(hole);
        if (common.isEmpty()) {
            return isEmpty() ? std::vector<Rect>{} : std::vector<Rect>{*this};
        }
        std::vector<Rect> pieces;
        const auto keep = [&pieces](Rect piece) {
            if (!piece.isEmpty()) {
                pieces.push_back(piece);
            }
        };
        keep({x, y, width, common.minY() - minY()});
        keep({x, common.maxY(), width, maxY() - common.maxY()});
        keep({x, common.minY(), common.minX() - minX(), common.height});
        keep({common.maxX(), common.minY(), maxX() - common.maxX(), common.height});
        return pieces;
    }

    // Grows (negative d) or shrinks (positive d) every edge by the given amounts.
    Rect insetBy(double dx, double dy) const { return {x + dx, y + dy, width - 2 * dx, height - 2 * dy}; }

    bool operator==(const Rect&) const = default;
};

} // namespace ostrel
