#include "Rules/FrameMasker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace ostrel {
namespace {

using FrameMasker::PixelRect;

TEST(FrameMasker, ConvertsRelativeRectanglesToPixels) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* name;
        Rect rect;
        std::optional<PixelRect> expected;
    } cases[] = {
        {"worked example", {0.098, 0.096, 0.204, 0.208}, PixelRect{188, 103, 580, 329}},
        {"whole buffer", {0, 0, 1, 1}, PixelRect{0, 0, 1920, 1080}},
        {"clamped", {-0.1, 0.9, 0.3, 0.5}, PixelRect{0, 972, 384, 1080}},
        {"negative size is standardised", {0.302, 0.304, -0.204, -0.208}, PixelRect{188, 103, 580, 329}},
        {"wholly outside", {1.2, 0.1, 0.3, 0.3}, std::nullopt},
        {"zero width on a pixel edge", {0.5, 0.1, 0, 0.2}, std::nullopt},
        {"zero width inside a pixel", {0.50001, 0.25, 0, 0.5}, PixelRect{960, 270, 961, 810}},
        {"not a number", {NAN, 0, 1, 1}, std::nullopt},
        {"infinite width reaches the edge", {0.5, 0, inf, 1}, PixelRect{960, 0, 1920, 1080}},
        {"beyond the range of int", {-1e300, -1e300, 2e300, 2e300}, PixelRect{0, 0, 1920, 1080}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FrameMasker::pixelRect(c.rect, 1920, 1080), c.expected) << c.name;
    }
}

// A source with padded rows: pixel bytes count up, padding bytes are 0xEE.
BGRAImage paddedSource(int width, int height, std::size_t stride) {
    BGRAImage image(width, height, stride);
    std::memset(image.pixels.data(), 0xEE, image.pixels.size());
    for (int y = 0; y < height; ++y) {
        for (int i = 0; i < width * 4; ++i) {
            image.row(y)[i] = static_cast<std::uint8_t>(y * 31 + i);
        }
    }
    return image;
}

bool isFill(const std::uint8_t* pixel) {
    return std::memcmp(pixel, FrameMasker::fillPixel, 4) == 0;
}

TEST(FrameMasker, CopiesRowsWithoutPaddingAndLeavesTheSourceAlone) {
    const BGRAImage source = paddedSource(5, 3, 5 * 4 + 12);
    const BGRAImage before = source;
    const auto copy = FrameMasker::mask(source.view(), {});
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->width, 5);
    EXPECT_EQ(copy->height, 3);
    EXPECT_EQ(copy->bytesPerRow, 20u);
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(std::memcmp(copy->row(y), source.row(y), 20), 0) << "row " << y;
    }
    EXPECT_EQ(source.pixels, before.pixels);
}

TEST(FrameMasker, PaintsExactlyTheCoveredPixels) {
    const BGRAImage source = paddedSource(10, 4, 10 * 4 + 8);
    // Columns 2..4 of rows 1..2, and the last column of every row (partly covered pixels count).
    const auto masked = FrameMasker::mask(source.view(), {{0.2, 0.25, 0.3, 0.5}, {0.95, -1, 0.01, 3}});
    ASSERT_TRUE(masked);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool covered = (x >= 2 && x < 5 && y >= 1 && y < 3) || x == 9;
            const std::uint8_t* pixel = masked->row(y) + x * 4;
            if (covered) {
                EXPECT_TRUE(isFill(pixel)) << x << "," << y;
            } else {
                EXPECT_EQ(std::memcmp(pixel, source.row(y) + x * 4, 4), 0) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(masked->row(0)[36], 0x4A);
    EXPECT_EQ(masked->row(0)[39], 0xFF);

    const auto whole = FrameMasker::mask(source.view(), {{0, 0, 1, 1}});
    ASSERT_TRUE(whole);
    for (std::size_t i = 0; i < whole->pixels.size(); i += 4) {
        ASSERT_TRUE(isFill(&whole->pixels[i])) << i;
    }
}

TEST(FrameMasker, RefusesWhatCannotBeMaskedSafely) {
    const BGRAImage source = paddedSource(4, 4, 16);
    EXPECT_EQ(FrameMasker::mask(BGRAImageView{}, {{0, 0, 1, 1}}), std::nullopt);
    EXPECT_EQ(FrameMasker::mask(BGRAImageView{source.pixels.data(), 4, 4, 12}, {}), std::nullopt);
    // A rectangle with a coordinate that is not a number could hide nothing or anything: no frame.
    EXPECT_EQ(FrameMasker::mask(source.view(), {{0, 0, 0.5, 0.5}, {NAN, 0, 0.5, 0.5}}), std::nullopt);
    // A rectangle wholly outside paints nothing but does not prevent the copy.
    const auto outside = FrameMasker::mask(source.view(), {{2, 2, 1, 1}});
    ASSERT_TRUE(outside);
    EXPECT_EQ(outside->pixels, source.pixels);
}

} // namespace
} // namespace ostrel
