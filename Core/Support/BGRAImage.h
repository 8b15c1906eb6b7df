#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ostrel {

// A view of 32-bit BGRA pixels owned elsewhere. Rows may be padded: `bytesPerRow` >= width * 4.
struct BGRAImageView {
    const std::uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
    std::size_t bytesPerRow = 0;

    const std::uint8_t* row(int y) const { return data + static_cast<std::size_t>(y) * bytesPerRow; }
    bool isValid() const {
        return data != nullptr && width > 0 && height > 0 &&
               bytesPerRow >= static_cast<std::size_t>(width) * 4;
    }
};

// 32-bit BGRA pixels owned by the value, rows padded to `bytesPerRow`.
struct BGRAImage {
    int width = 0;
    int height = 0;
    std::size_t bytesPerRow = 0;
    std::vector<std::uint8_t> pixels;

    BGRAImage() = default;
    BGRAImage(int w, int h, std::size_t stride = 0)
        : width(w), height(h), bytesPerRow(stride ? stride : static_cast<std::size_t>(w) * 4),
          pixels(bytesPerRow * static_cast<std::size_t>(h)) {}

    std::uint8_t* row(int y) { return pixels.data() + static_cast<std::size_t>(y) * bytesPerRow; }
    const std::uint8_t* row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * bytesPerRow; }
    BGRAImageView view() const { return {pixels.data(), width, height, bytesPerRow}; }
};

} // namespace ostrel
