#include "Capture/CaptureGeometry.h"

#include <gtest/gtest.h>

namespace vesperline {
namespace {

using ostrel::Rect;
using ostrel::RelativeRect;

// A main display and a second one to its right.
const std::vector<platform::DisplayInfo> displays = {
    {7, Rect{0, 0, 1920, 1080}, "left", true},
    {9, Rect{1920, 0, 1280, 1024}, "right", false},
};

TEST(CaptureGeometryTest, DisplayForWindow) {
    EXPECT_EQ(CaptureGeometry::displayForWindow(std::nullopt, displays), 7u) << "no frame: main";
    EXPECT_EQ(CaptureGeometry::displayForWindow(Rect{5000, 5000, 10, 10}, displays), 7u) << "nowhere: main";
    EXPECT_EQ(CaptureGeometry::displayForWindow(Rect{100, 100, 400, 300}, displays), 7u);
    // Most of it lies on the left display, but its middle (1930, 500) is on the right one.
    EXPECT_EQ(CaptureGeometry::displayForWindow(Rect{1000, 400, 1860, 200}, displays), 9u);
    EXPECT_EQ(CaptureGeometry::displayForWindow(std::nullopt, {}), 0u);

    std::vector<platform::DisplayInfo> withoutMain = displays;
    withoutMain[0].isMain = false;
    EXPECT_EQ(CaptureGeometry::displayForWindow(std::nullopt, withoutMain), 7u);
}

TEST(CaptureGeometryTest, RelativeWindowRect) {
    const Rect display{0, 0, 1000, 500};
    EXPECT_EQ(CaptureGeometry::relativeWindowRect(Rect{500, 0, 1000, 500}, display),
              (RelativeRect{0.5, 0, 0.5, 1}));
    EXPECT_EQ(CaptureGeometry::relativeWindowRect(Rect{1200, 0, 100, 100}, display), std::nullopt);
    EXPECT_EQ(CaptureGeometry::relativeWindowRect(Rect{1000, 0, 100, 100}, display), std::nullopt)
        << "touching";
    EXPECT_EQ(CaptureGeometry::relativeWindowRect(Rect{0, 0, 10, 10}, Rect{0, 0, 0, 500}), std::nullopt);
    EXPECT_EQ(CaptureGeometry::relativeWindowRect(Rect{1950, 100, 640, 512}, Rect{1920, 0, 1280, 1024}),
              (RelativeRect{30.0 / 1280, 100.0 / 1024, 0.5, 0.5}))
        << "relative to the display's own origin";
}

} // namespace
} // namespace vesperline
