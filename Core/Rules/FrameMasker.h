#pragma once

#include "Support/BGRAImage.h"
#include "Support/Rect.h"

#include <optional>
#include <vector>

namespace ostrel::FrameMasker {

// A block of whole pixels: columns minX..<maxX and rows minY..<maxY, rows counted from the top.
struct PixelRect {
    int minX = 0;
    int minY = 0;
    int maxX = 0;
    int maxY = 0;

    bool operator==(const PixelRect&) const = default;
};

// Fill bytes of a masked pixel in memory order (blue, green, red, alpha): an opaque dark grey.
inline constexpr std::uint8_t fillPixel[4] = {0x4A, 0x46, 0x44, 0xFF};

// The pixels a display-relative rectangle touches, rounded outwards and clamped to the buffer. Absent
// when it covers no pixel or has a coordinate that is not a number.
std::optional<PixelRect> pixelRect(const Rect& relative, int width, int height);

// A copy of the frame (rows packed, without the source's row padding) with every mask rectangle
// painted in the fill colour; the source is never written. Absent when the frame has no pixels or a
// rectangle cannot be converted: a mask that cannot be trusted must not let the frame be stored.
std::optional<BGRAImage> mask(const BGRAImageView& frame, const std::vector<Rect>& rects);

} // namespace ostrel::FrameMasker
