#include "Rules/FrameMasker.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ostrel::FrameMasker {
namespace {

bool hasNaN(const Rect& rect) {
    return std::isnan(rect.minX()) || std::isnan(rect.maxX()) || std::isnan(rect.minY()) ||
           std::isnan(rect.maxY());
}

// Clamping happens in floating point so that values beyond the range of int never get converted.
int clampedPixel(double value, int limit) {
    return static_cast<int>(std::clamp(value, 0.0, double(limit)));
}

} // namespace

std::optional<PixelRect> pixelRect(const Rect& relative, int width, int height) {
    if (width <= 0 || height <= 0 || hasNaN(relative)) {
        return std::nullopt;
    }
    const double left = std::min(relative.minX(), relative.maxX());
    const double right = std::max(relative.minX(), relative.maxX());
    const double top = std::min(relative.minY(), relative.maxY());
    const double bottom = std::max(relative.minY(), relative.maxY());
    const PixelRect pixels{
        clampedPixel(std::floor(left * width), width), clampedPixel(std::floor(top * height), height),
        clampedPixel(std::ceil(right * width), width), clampedPixel(std::ceil(bottom * height), height)};
    if (pixels.minX >= pixels.maxX || pixels.minY >= pixels.maxY) {
        return std::nullopt;
    }
    return pixels;
}

std::optional<BGRAImage> mask(const BGRAImageView& frame, const std::vector<Rect>& rects) {
    if (!frame.isValid() || std::any_of(rects.begin(), rects.end(), hasNaN)) {
        return std::nullopt;
    }
    BGRAImage copy(frame.width, frame.height);
    const std::size_t rowBytes =
        std::min({static_cast<std::size_t>(frame.width) * 4, frame.bytesPerRow, copy.bytesPerRow});
    for (int y = 0; y < frame.height; ++y) {
        std::memcpy(copy.row(y), frame.row(y), rowBytes);
    }

    std::vector<std::uint8_t> fillRow;
    for (const Rect& rect : rects) {
        const auto pixels = pixelRect(rect, frame.width, frame.height);
        if (!pixels) {
            continue;
        }
        if (fillRow.empty()) {
            fillRow.resize(copy.bytesPerRow);
            for (std::size_t i = 0; i < fillRow.size(); i += 4) {
                std::memcpy(fillRow.data() + i, fillPixel, 4);
            }
        }
        const std::size_t offset = static_cast<std::size_t>(pixels->minX) * 4;
        const std::size_t length = static_cast<std::size_t>(pixels->maxX - pixels->minX) * 4;
        for (int y = pixels->minY; y < pixels->maxY; ++y) {
            std::memcpy(copy.row(y) + offset, fillRow.data(), length);
        }
    }
    return copy;
}

} // namespace ostrel::FrameMasker
