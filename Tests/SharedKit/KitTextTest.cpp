#include "SharedKit/KitText.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace vesperline {
namespace {

// The kit's text sizes follow the application's font whether it is given in points or in pixels.
TEST(KitTextTest, SizesScaleTheApplicationFontInPointsOrPixels) {
    const QFont original = QApplication::font();
    QFont points = original;
    points.setPointSizeF(10);
    QApplication::setFont(points);
    EXPECT_GT(KitText::font(KitText::Size::title).pointSizeF(), 10);
    EXPECT_LT(KitText::font(KitText::Size::caption).pointSizeF(), 10);

    QFont pixels = original;
    pixels.setPixelSize(20);
    QApplication::setFont(pixels);
    const QFont title = KitText::font(KitText::Size::title);
    const QFont caption = KitText::font(KitText::Size::caption);
    EXPECT_GT(title.pixelSize(), 20);
    EXPECT_GT(caption.pixelSize(), 0);
    EXPECT_LT(caption.pixelSize(), 20);
    QApplication::setFont(original);
}

} // namespace
} // namespace vesperline
