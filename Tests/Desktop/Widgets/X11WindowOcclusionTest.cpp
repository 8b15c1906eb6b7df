// Occlusion on a real X server: a window of ours is reported covered once another program's window
// hides all of it, and no longer once a part of it shows again, whether the other window moves
// away or ours is raised over it.
#include "DesktopSession.h"

#include "Platform/Linux/X11WindowOcclusion.h"

#include <QWidget>
#include <QWindow>

#include <optional>

namespace vesperline::platform {
namespace {

using desktoptest::runTool;
using desktoptest::waitUntil;

TEST(X11WindowOcclusionTest, AWindowIsCoveredOnlyWhileAnotherHidesAllOfIt) {
    REQUIRE_DESKTOP_SESSION();
    desktoptest::FixtureApp cover(desktoptest::launchedAs("org.example.Cover"));
    ASSERT_TRUE(cover.started());
    QWidget window;
    window.setWindowTitle("Occlusion target");
    window.setGeometry(400, 400, 300, 200);
    window.show();
    ASSERT_TRUE(waitUntil([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }));

    X11WindowOcclusion occlusion;
    std::optional<bool> covered;
    int reports = 0;
    occlusion.follow(window.winId(), [&](bool now) {
        covered = now;
        ++reports;
    });
    EXPECT_EQ(reports, 0) << "never told inside the call";
    ASSERT_TRUE(waitUntil([&] { return window.frameGeometry().top() < window.geometry().top(); }))
        << "the window manager framed the window";
    const QRect frame = window.frameGeometry();

    // Another program's window over all of it, decorations included.
    const QRect whole = frame.adjusted(-20, -60, 20, 20);
    ASSERT_TRUE(cover.swatch(whole.x(), whole.y(), whole.width(), whole.height(), "#808080"));
    EXPECT_TRUE(waitUntil([&] { return covered == true; }));
    // Moved to cover only half of it.
    ASSERT_TRUE(cover.swatch(whole.x(), whole.y(), whole.width() / 2, whole.height(), "#808080"));
    EXPECT_TRUE(waitUntil([&] { return covered == false; }));
    // Over all of it again, then ours is raised above it.
    ASSERT_TRUE(cover.swatch(whole.x(), whole.y(), whole.width(), whole.height(), "#808080"));
    ASSERT_TRUE(waitUntil([&] { return covered == true; }));
    runTool("xdotool", {"windowraise", QString::number(window.winId())});
    EXPECT_TRUE(waitUntil([&] { return covered == false; }));

    // A forgotten window is not reported.
    occlusion.forget(window.winId());
    const int before = reports;
    runTool("xdotool", {"search", "--name", "^Fixture Swatch$", "windowraise"});
    waitUntil([] { return false; }, 0.5);
    EXPECT_EQ(reports, before);
}

} // namespace
} // namespace vesperline::platform
