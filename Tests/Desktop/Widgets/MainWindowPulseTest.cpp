// The main window's recording pulse on a real desktop: its pictures are put straight onto the
// window, so the X server shows the ring growing while Qt repaints nothing; once another program's
// window covers the whole main window the pulse rests, and it starts again when the main window
// shows.
#include "DesktopSession.h"

#include "App/Model/AppModelFixture.h"

#include "Platform/Fake/FakeFileViewer.h"
#include "Platform/Fake/FakeInstalledApplications.h"
#include "Platform/Fake/FakeLoginItem.h"
#include "Platform/Linux/X11Connection.h"
#include "Platform/Linux/X11WindowActivation.h"
#include "Platform/Linux/X11WindowOcclusion.h"
#include "Platform/Linux/X11WindowPixels.h"
#include "Support/PaintCounter.h"
#include "UI/Main/WindowManager.h"
#include "UI/Shared/PulseRing.h"

#include <QImage>
#include <QWindow>

#include <set>

namespace vesperline {
namespace {

using desktoptest::runTool;
using desktoptest::waitUntil;

// What the X server shows of `area` of `window`, read over a connection of its own.
QImage shownOn(std::uintptr_t window, const QRect& area) {
    const auto x11 = platform::X11Connection::open();
    const auto image = platform::x11Reply(xcb_get_image_reply(
        x11->connection(),
        xcb_get_image(x11->connection(), XCB_IMAGE_FORMAT_Z_PIXMAP, static_cast<xcb_window_t>(window),
                      static_cast<std::int16_t>(area.x()), static_cast<std::int16_t>(area.y()),
                      static_cast<std::uint16_t>(area.width()), static_cast<std::uint16_t>(area.height()),
                      ~0u),
        nullptr));
    if (!image) {
        return {};
    }
    return QImage(xcb_get_image_data(image.get()), area.width(), area.height(), area.width() * 4,
                  QImage::Format_RGB32)
        .copy();
}

class MainWindowPulseTest : public testing::AppModelFixture {
  protected:
    void SetUp() override {
        REQUIRE_DESKTOP_SESSION();
        completeOnboarding();
        launch();
        manager = std::make_unique<WindowManager>(
            *model,
            WindowManager::Services{applications, activation, fileViewer, loginItem, occlusion, pixels, {}});
        ASSERT_TRUE(cover.started());
    }
    void TearDown() override {
        manager.reset();
        AppModelFixture::TearDown();
    }

    platform::X11WindowActivation activation;
    platform::X11WindowOcclusion occlusion;
    platform::X11WindowPixels pixels;
    platform::FakeInstalledApplications applications;
    platform::FakeFileViewer fileViewer;
    platform::FakeLoginItem loginItem;
    desktoptest::FixtureApp cover{desktoptest::launchedAs("org.example.Cover")};
    std::unique_ptr<WindowManager> manager;
};

TEST_F(MainWindowPulseTest, TheRingGrowsOnScreenWithoutRepaintsAndRestsWhileCovered) {
    manager->showMainWindow();
    MainWindow& window = *manager->mainWindow();
    ASSERT_TRUE(waitUntil([&] { return window.windowHandle()->isExposed(); }));
    auto* ring = window.findChild<PulseRing*>("pulseRing");
    ASSERT_TRUE(waitUntil([&] { return ring->animating(); })) << "recording";
    const QRect area(ring->mapTo(&window, QPoint()), ring->size());

    // Several different pictures of the ring reach the screen while Qt paints none.
    waitUntil([] { return false; }, 0.3);
    {
        testsupport::PaintCounter paints(*ring);
        std::set<QByteArray> seen;
        waitUntil([&] {
            const QImage shown = shownOn(window.winId(), area);
            seen.insert(QByteArray(reinterpret_cast<const char*>(shown.constBits()), shown.sizeInBytes()));
            return seen.size() >= 4;
        });
        EXPECT_GE(seen.size(), 4u) << "the ring moves on screen";
        EXPECT_EQ(paints.count(), 0);
    }

    // Another program's window over the whole main window: the pulse rests.
    const QRect whole = window.frameGeometry().adjusted(-20, -60, 20, 20);
    ASSERT_TRUE(cover.swatch(whole.x(), whole.y(), whole.width(), whole.height(), "#808080"));
    EXPECT_TRUE(waitUntil([&] { return !ring->animating(); }));
    // Raised again, it pulses.
    manager->showMainWindow();
    EXPECT_TRUE(waitUntil([&] { return ring->animating(); }));
}

} // namespace
} // namespace vesperline
