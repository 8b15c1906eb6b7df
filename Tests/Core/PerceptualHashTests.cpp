#include "Rules/PerceptualHash.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace ostrel {
namespace {

using Grid = std::array<std::uint8_t, 72>;

Grid filled(std::uint8_t value) {
    Grid grid;
    grid.fill(value);
    return grid;
}

Grid withCell(int row, int col, std::uint8_t value) {
    Grid grid = filled(100);
    grid[row * 9 + col] = value;
    return grid;
}

Grid rows(bool falling) {
    Grid grid;
    for (int r = 0; r < 8; ++r) {
        for (int c = 0; c < 9; ++c) {
            grid[r * 9 + c] = static_cast<std::uint8_t>(falling ? 9 - c : 1 + c);
        }
    }
    return grid;
}

TEST(PerceptualHash, HashesGridEdgeCases) {
    const struct {
        const char* name;
        Grid grid;
        std::uint64_t expected;
    } cases[] = {
        {"flat", filled(7), 0},
        {"falling rows", rows(true), ~std::uint64_t{0}},
        {"rising rows", rows(false), 0},
        {"first cell brighter", withCell(0, 0, 200), 1},
        {"cell (7,7) brighter", withCell(7, 7, 200), std::uint64_t{1} << 63},
        {"last column darker", withCell(2, 8, 0), std::uint64_t{1} << 23},
        {"unsigned comparison: 255 over 128", withCell(4, 3, 255), std::uint64_t{1} << 35},
        {"darker cell sets its left neighbour", withCell(1, 4, 0), std::uint64_t{1} << 11},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PerceptualHash::hash(c.grid), c.expected) << c.name;
    }
}

TEST(PerceptualHash, RefusesGridsOfOtherLengths) {
    const std::vector<std::uint8_t> bytes(80, 1);
    EXPECT_EQ(PerceptualHash::hash(std::span(bytes).first(71)), std::nullopt);
    EXPECT_EQ(PerceptualHash::hash(std::span(bytes).first(73)), std::nullopt);
    EXPECT_EQ(PerceptualHash::hash({}), std::nullopt);
}

TEST(PerceptualHash, DistanceCountsDifferingBits) {
    const std::uint64_t h = 0x0123456789abcdefULL;
    EXPECT_EQ(PerceptualHash::distance(h, h), 0);
    EXPECT_EQ(PerceptualHash::distance(h, ~h), 64);
    EXPECT_EQ(PerceptualHash::distance(0, 0b1011), 3);
    EXPECT_EQ(PerceptualHash::distance(0b1011, 0), 3);
}

// A frame whose grey level falls from left to right in nine bands, one per grid column.
BGRAImage bandedFrame(int width, int height, std::size_t stride) {
    BGRAImage image(width, height, stride);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto level = static_cast<std::uint8_t>(250 - 25 * (x * 9 / width));
            std::uint8_t* pixel = image.row(y) + x * 4;
            pixel[0] = pixel[1] = pixel[2] = level;
            pixel[3] = 255;
        }
    }
    return image;
}

TEST(PerceptualHash, HashesFramesFromSampledCells) {
    // Falling bands give every bit, padded rows or not.
    EXPECT_EQ(PerceptualHash::frameHash(bandedFrame(1920, 1080, 1920 * 4).view()), ~std::uint64_t{0});
    EXPECT_EQ(PerceptualHash::frameHash(bandedFrame(1000, 500, 1000 * 4 + 64).view()), ~std::uint64_t{0});

    // Only the red channel of cell (0, 0) lit: luma weight 299 / 1000 of 200 is 59, brighter than 0.
    BGRAImage dark(90, 80);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            dark.row(y)[x * 4 + 2] = 200;
        }
    }
    EXPECT_EQ(PerceptualHash::frameHash(dark.view()), 1u);

    // Frames smaller than the grid sample their pixels repeatedly, clamped to the last ones: every
    // row of a one-pixel-high frame sees the same bright first and dark second pixel.
    BGRAImage tiny(2, 1);
    tiny.row(0)[0] = tiny.row(0)[1] = tiny.row(0)[2] = 255;
    EXPECT_EQ(PerceptualHash::frameHash(tiny.view()), 0x0101010101010101u);

    EXPECT_EQ(PerceptualHash::frameHash(BGRAImageView{}), 0u);
    const std::uint8_t pixels[8] = {};
    EXPECT_EQ(PerceptualHash::frameHash(BGRAImageView{pixels, 2, 1, 4}), 0u); // row shorter than its pixels
}

} // namespace
} // namespace ostrel
