// The window inspector through AT-SPI against the fixture application: its windows, its text within
// the capture budgets, and secure input on its password field. The costs of the reads are printed.
#include "DesktopSession.h"

#include "Capture/WindowInspector.h"
#include "Capture/WindowList.h"
#include "Platform/Linux/AtspiAccessibility.h"
#include "Platform/Linux/DesktopFileApplications.h"
#include "Platform/Linux/X11Connection.h"
#include "Platform/Linux/X11WindowServer.h"
#include "Platform/Linux/X11Workspace.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include <chrono>
#include <cstdio>

namespace vesperline {
namespace {

using desktoptest::FixtureApp;

class AccessibilityTest : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_DESKTOP_SESSION();
        x11 = platform::X11Connection::open();
        ASSERT_TRUE(x11);
        windowServer = std::make_unique<platform::X11WindowServer>(x11);
        accessibility = std::make_unique<platform::AtspiAccessibility>();
        inspector = std::make_unique<WindowInspector>(*accessibility, *windowServer, clock);
        // The bus is found in the background, so creating the object never blocks its thread.
        ASSERT_TRUE(desktoptest::waitUntil([&] { return accessibility->isTrusted(); }))
            << "no accessibility bus";
        ASSERT_TRUE(fixture.started());
        // The application registers on the accessibility bus a little after its windows show.
        ASSERT_TRUE(desktoptest::waitUntil([&] { return inspector->windows(fixture.pid()).size() == 2; }));
    }

    std::optional<platform::AccessibleElement> window(const std::string& title) {
        for (const AXWindow& window : inspector->windows(fixture.pid())) {
            if (window.title == title) {
                return window.element;
            }
        }
        return std::nullopt;
    }

    std::shared_ptr<platform::X11Connection> x11;
    std::unique_ptr<platform::X11WindowServer> windowServer;
    std::unique_ptr<platform::AtspiAccessibility> accessibility;
    ostrel::SystemClock clock;
    std::unique_ptr<WindowInspector> inspector;
    FixtureApp fixture;
};

template <typename Read> double millisecondsPerRead(Read read, int repetitions = 20) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repetitions; ++i) {
        read();
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() /
           repetitions;
}

TEST_F(AccessibilityTest, ReadsTheWindowsTextWithinTheBudgetButNotThePassword) {
    const auto notes = window("Fixture Notes");
    ASSERT_TRUE(notes);
    const auto frame = inspector->frameOf(*notes);
    ASSERT_TRUE(frame);
    EXPECT_TRUE(frame->contains({100, 120, 640, 480})) << "the window's frame on screen";

    const WindowInspector::Text text =
        inspector->readText(*notes, frame, WindowInspector::readTextMaxNodes,
                            WindowInspector::readTextMaxCharacters, WindowInspector::readTextSeconds);
    EXPECT_TRUE(text.complete);
    EXPECT_NE(text.text.find("Quarterly harbour report"), std::string::npos) << text.text;
    EXPECT_NE(text.text.find("lighthouse keeper"), std::string::npos) << text.text;
    EXPECT_NE(text.text.find("Tide tables arrive on Tuesday"), std::string::npos) << text.text;
    EXPECT_EQ(text.text.find("hunter2"), std::string::npos) << "the password field is never read";

    const double cost = millisecondsPerRead([&] {
        inspector->readText(*notes, frame, WindowInspector::readTextMaxNodes,
                            WindowInspector::readTextMaxCharacters, WindowInspector::readTextSeconds);
    });
    std::printf("readText of the fixture window: %.2f ms, %d nodes\n", cost, text.nodesVisited);
}

TEST_F(AccessibilityTest, ALongTextYieldsOnlyWhatShows) {
    const auto logbook = window("Fixture Logbook");
    ASSERT_TRUE(logbook);
    const WindowInspector::Text text = inspector->readText(*logbook, inspector->frameOf(*logbook), 1500,
                                                           30000, WindowInspector::readTextSeconds);
    EXPECT_NE(text.text.find("Logbook line 1 of the long harbour record"), std::string::npos) << text.text;
    EXPECT_EQ(text.text.find("Logbook line 150 of"), std::string::npos) << "far below the visible part";
    EXPECT_LT(text.text.size(), 6000u);

    const double cost = millisecondsPerRead([&] {
        inspector->readText(*logbook, inspector->frameOf(*logbook), 1500, 30000,
                            WindowInspector::readTextSeconds);
    });
    std::printf("readText of the long-text window: %.2f ms, %d nodes\n", cost, text.nodesVisited);
}

TEST_F(AccessibilityTest, SnapshotOfTheFocusedWindow) {
    desktoptest::runTool("xdotool", {"search", "--name", "Fixture Notes", "windowactivate", "--sync"});
    WindowSnapshot snapshot;
    ASSERT_TRUE(desktoptest::waitUntil([&] {
        snapshot = inspector->snapshot(fixture.pid());
        return snapshot.title == "Fixture Notes";
    }));
    EXPECT_TRUE(snapshot.element.has_value());
    ASSERT_TRUE(snapshot.frame);
    EXPECT_TRUE(snapshot.frame->contains({100, 120, 640, 480}));
}

TEST_F(AccessibilityTest, SecureInputFollowsTheFocusedPasswordField) {
    desktoptest::runTool("xdotool", {"search", "--name", "Fixture Notes", "windowactivate", "--sync"});
    ASSERT_TRUE(fixture.focus("password"));
    EXPECT_TRUE(desktoptest::waitUntil([&] { return inspector->isSecureInputFocused(fixture.pid()); }));
    ASSERT_TRUE(fixture.focus("name"));
    EXPECT_TRUE(desktoptest::waitUntil([&] { return !inspector->isSecureInputFocused(fixture.pid()); }));
}

TEST_F(AccessibilityTest, CostOfAWindowListRead) {
    platform::DesktopFileApplications noDesktopFiles(std::vector<std::filesystem::path>{});
    platform::X11Workspace workspace(x11, noDesktopFiles);
    WindowList list(*windowServer, workspace);
    list.current();
    const double listCost = millisecondsPerRead([&] { list.current(); }, 200);
    const double serverCost = millisecondsPerRead([&] { windowServer->onScreenWindows(); }, 200);
    const std::size_t windows = windowServer->onScreenWindows().size();
    std::printf("window list read: %.3f ms, of which the window server %.3f ms (%zu windows)\n", listCost,
                serverCost, windows);
    EXPECT_GE(windows, 2u);
}

// The session's accessibility switch, as the desktop's settings turn it.
bool setSessionAccessibility(bool on) {
    QDBusMessage request = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"));
    request << QStringLiteral("org.a11y.Status") << QStringLiteral("IsEnabled")
            << QVariant::fromValue(QDBusVariant(on));
    return QDBusConnection::sessionBus().call(request).type() == QDBusMessage::ReplyMessage;
}

TEST(AccessibilitySwitchTest, AskingForTrustSwitchesTheSessionsAccessibilityOn) {
    REQUIRE_DESKTOP_SESSION();
    platform::AtspiAccessibility accessibility;
    ASSERT_TRUE(desktoptest::waitUntil([&] { return accessibility.isTrusted(); })) << "no accessibility bus";
    ASSERT_TRUE(setSessionAccessibility(false));
    const bool switchedOff = desktoptest::waitUntil([&] { return !accessibility.isTrusted(); });
    accessibility.requestTrust();
    const bool switchedOn = desktoptest::waitUntil([&] { return accessibility.isTrusted(); });
    // The session stays as the other tests expect it.
    setSessionAccessibility(true);
    EXPECT_TRUE(switchedOff) << "the switch is followed";
    EXPECT_TRUE(switchedOn);
}

} // namespace
} // namespace vesperline
