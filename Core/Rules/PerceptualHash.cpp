#include "Rules/PerceptualHash.h"

#include <algorithm>
#include <array>

namespace ostrel::PerceptualHash {
namespace {

constexpr int samplesPerAxis = 6;

// Sample offsets inside a cell of `cell` pixels, spread evenly around the cell's middle.
std::array<int, samplesPerAxis> sampleOffsets(int cell) {
    std::array<int, samplesPerAxis> offsets{};
    for (int k = 0; k < samplesPerAxis; ++k) {
        offsets[k] = (k * cell + cell / 2) / samplesPerAxis;
    }
    return offsets;
}

// Integer luma of one BGRA pixel, 0 to 255.
unsigned grey(const std::uint8_t* pixel) {
    return (299u * pixel[2] + 587u * pixel[1] + 114u * pixel[0]) / 1000u;
}

std::array<std::uint8_t, gridSize> frameGrid(const BGRAImageView& frame) {
    const int cellWidth = frame.width >= gridWidth ? frame.width / gridWidth : 1;
    const int cellHeight = frame.height >= gridHeight ? frame.height / gridHeight : 1;
    const auto xOffsets = sampleOffsets(cellWidth);
    const auto yOffsets = sampleOffsets(cellHeight);

    // Byte offsets of the sampled columns, the same for every row.
    std::array<std::size_t, gridWidth * samplesPerAxis> columns{};
    for (int col = 0; col < gridWidth; ++col) {
        for (int k = 0; k < samplesPerAxis; ++k) {
            const int x = std::min(col * cellWidth + xOffsets[k], frame.width - 1);
            columns[col * samplesPerAxis + k] = static_cast<std::size_t>(x) * 4;
        }
    }

    std::array<std::uint8_t, gridSize> grid{};
    for (int row = 0; row < gridHeight; ++row) {
        std::array<unsigned, gridWidth> sums{};
        for (int k = 0; k < samplesPerAxis; ++k) {
            const std::uint8_t* line = frame.row(std::min(row * cellHeight + yOffsets[k], frame.height - 1));
            for (int col = 0; col < gridWidth; ++col) {
                for (int j = 0; j < samplesPerAxis; ++j) {
                    sums[col] += grey(line + columns[col * samplesPerAxis + j]);
                }
            }
        }
        for (int col = 0; col < gridWidth; ++col) {
            grid[row * gridWidth + col] =
                static_cast<std::uint8_t>(sums[col] / (samplesPerAxis * samplesPerAxis));
        }
    }
    return grid;
}

} // namespace

std::optional<std::uint64_t> hash(std::span<const std::uint8_t> grid) {
    if (grid.size() != gridSize) {
        return std::nullopt;
    }
    std::uint64_t bits = 0;
    for (int row = 0; row < gridHeight; ++row) {
        const std::uint8_t* cells = grid.data() + row * gridWidth;
        for (int col = 0; col < gridWidth - 1; ++col) {
            bits |= static_cast<std::uint64_t>(cells[col] > cells[col + 1]) << (row * 8 + col);
        }
    }
    return bits;
}

std::uint64_t frameHash(const BGRAImageView& frame) {
    if (!frame.isValid()) {
        return 0;
    }
    const auto grid = frameGrid(frame);
    return *hash(grid);
}

} // namespace ostrel::PerceptualHash
