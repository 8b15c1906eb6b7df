// Pictures put straight into windows of ours on a real X server: they show where they were put and
// nowhere else; a window whose pixels lie otherwise (a translucent one) and a picture of another
// format are refused.
#include "DesktopSession.h"

#include "Platform/Linux/X11Connection.h"
#include "Platform/Linux/X11WindowPixels.h"

#include <QColor>
#include <QWidget>
#include <QWindow>

namespace vesperline::platform {
namespace {

using desktoptest::waitUntil;

// The colour the X server holds at (x, y) of `window`, read over a connection of its own.
QColor pixelOf(std::uintptr_t window, int x, int y) {
    const auto x11 = X11Connection::open();
    const auto image = x11Reply(xcb_get_image_reply(
        x11->connection(),
        xcb_get_image(x11->connection(), XCB_IMAGE_FORMAT_Z_PIXMAP, static_cast<xcb_window_t>(window),
                      static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), 1, 1, ~0u),
        nullptr));
    if (!image || xcb_get_image_data_length(image.get()) < 4) {
        return {};
    }
    const std::uint8_t* pixel = xcb_get_image_data(image.get());
    return QColor(pixel[2], pixel[1], pixel[0]);
}

// A shown window of one colour, painted by Qt once.
void showFilled(QWidget& window, const QRect& geometry) {
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(0x20, 0x40, 0xc0));
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    window.setGeometry(geometry);
    window.show();
    ASSERT_TRUE(waitUntil([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }));
    ASSERT_TRUE(waitUntil([&] { return pixelOf(window.winId(), 50, 50) == QColor(0x20, 0x40, 0xc0); }));
}

TEST(X11WindowPixelsTest, APictureShowsWhereItWasPut) {
    REQUIRE_DESKTOP_SESSION();
    QWidget window;
    showFilled(window, QRect(500, 300, 200, 150));
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(QColor(0xd0, 0x20, 0x10));

    X11WindowPixels pixels;
    ASSERT_TRUE(pixels.put(window.winId(), QPoint(30, 40), picture));
    EXPECT_TRUE(waitUntil([&] { return pixelOf(window.winId(), 30, 40) == QColor(0xd0, 0x20, 0x10); }));
    EXPECT_EQ(pixelOf(window.winId(), 49, 49), QColor(0xd0, 0x20, 0x10)) << "its far corner";
    EXPECT_EQ(pixelOf(window.winId(), 50, 40), QColor(0x20, 0x40, 0xc0)) << "beside it";
    EXPECT_EQ(pixelOf(window.winId(), 30, 50), QColor(0x20, 0x40, 0xc0)) << "below it";

    EXPECT_FALSE(pixels.put(window.winId(), QPoint(0, 0), picture.convertToFormat(QImage::Format_ARGB32)))
        << "only RGB32";
    EXPECT_FALSE(pixels.put(0, QPoint(0, 0), picture));
}

TEST(X11WindowPixelsTest, ATranslucentWindowIsLeftToQt) {
    REQUIRE_DESKTOP_SESSION();
    QWidget window;
    window.setAttribute(Qt::WA_TranslucentBackground);
    window.setGeometry(500, 300, 200, 150);
    window.show();
    ASSERT_TRUE(waitUntil([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }));
    const auto x11 = X11Connection::open();
    const auto geometry = x11Reply(xcb_get_geometry_reply(
        x11->connection(), xcb_get_geometry(x11->connection(), static_cast<xcb_window_t>(window.winId())),
        nullptr));
    ASSERT_TRUE(geometry);
    ASSERT_EQ(geometry->depth, 32) << "Qt gives a translucent window an ARGB visual";
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(Qt::red);
    EXPECT_FALSE(X11WindowPixels().put(window.winId(), QPoint(30, 40), picture));
}

} // namespace
} // namespace vesperline::platform
