// Activation through the window manager: one of our windows that sits behind another program's
// active window is raised and given the keyboard, with no request of the toolkit's own.
#include "DesktopSession.h"

#include "Platform/Linux/X11WindowActivation.h"

#include <QWidget>

namespace vesperline::platform {
namespace {

using desktoptest::runTool;
using desktoptest::waitUntil;

TEST(X11WindowActivationTest, AWindowBehindAnotherProgramsGetsTheKeyboard) {
    REQUIRE_DESKTOP_SESSION();
    desktoptest::FixtureApp fixture;
    ASSERT_TRUE(fixture.started());
    QWidget window;
    window.setWindowTitle("Activation target");
    window.setGeometry(200, 200, 300, 200);
    window.show();
    ASSERT_TRUE(waitUntil([&] { return window.isVisible(); }));
    runTool("xdotool", {"search", "--name", "^Fixture Notes$", "windowactivate", "--sync"});
    const auto activeName = [] { return runTool("xdotool", {"getactivewindow", "getwindowname"}).trimmed(); };
    ASSERT_TRUE(waitUntil([&] { return activeName() == "Fixture Notes"; }));
    ASSERT_TRUE(waitUntil([&] { return !window.isActiveWindow(); }));

    X11WindowActivation activation;
    activation.activate(window.winId());
    EXPECT_TRUE(waitUntil([&] { return activeName() == "Activation target"; }));
    EXPECT_TRUE(waitUntil([&] { return window.isActiveWindow(); }));
}

} // namespace
} // namespace vesperline::platform
