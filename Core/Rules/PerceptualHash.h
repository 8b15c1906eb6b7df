#pragma once

#include "Support/BGRAImage.h"

#include <bit>
#include <cstdint>
#include <optional>
#include <span>

namespace ostrel::PerceptualHash {

inline constexpr int gridWidth = 9;
inline constexpr int gridHeight = 8;
inline constexpr std::size_t gridSize = gridWidth * gridHeight;

// The 64-bit row-wise gradient hash of a 9 x 8 grey grid given row by row: bit r * 8 + c is set when
// cell (r, c) is strictly brighter than cell (r, c + 1). Absent unless exactly 72 bytes are given;
// nothing outside the given bytes is read.
std::optional<std::uint64_t> hash(std::span<const std::uint8_t> grid);

// The number of bits in which two hashes differ, 0 to 64.
inline int distance(std::uint64_t a, std::uint64_t b) {
    return std::popcount(a ^ b);
}

// The hash of a BGRA frame: each grid cell is the mean grey of 6 x 6 pixels sampled inside it, so the
// cost does not grow with the frame's size. 0 for a view without pixels.
std::uint64_t frameHash(const BGRAImageView& frame);

} // namespace ostrel::PerceptualHash
