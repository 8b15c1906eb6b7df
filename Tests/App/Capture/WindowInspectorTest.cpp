// The frontmost window, its windows and secure input, on a fake tree and window list.
#include "Capture/WindowInspector.h"
#include "Platform/Fake/FakeAccessibility.h"
#include "Platform/Fake/FakeWindowServer.h"

#include <gtest/gtest.h>

namespace vesperline {
namespace {

using platform::AccessibleElement;
using platform::AccessibleRole;
using platform::FakeAccessibleNode;
using platform::WindowServerWindow;
using platform::WindowType;

constexpr std::int32_t pid = 4242;

class WindowInspectorTest : public ::testing::Test {
  protected:
    WindowInspectorTest() {
        // Front to back: a small palette of the process, another process's window, the process's
        // main window, and one more of its windows behind.
        windowServer.windows = {
            {1, pid, ostrel::Rect{0, 0, 50, 50}, std::nullopt, WindowType::normal, "App", "Palette"},
            {2, 77, ostrel::Rect{0, 0, 800, 600}, std::nullopt, WindowType::normal, "Other", "Other window"},
            {3, pid, ostrel::Rect{0, 0, 300, 200}, std::nullopt, WindowType::dock, "App", "Panel"},
            {4, pid, ostrel::Rect{10, 20, 640, 480}, std::nullopt, WindowType::normal, "App", "Document 1"},
            {5, pid, ostrel::Rect{30, 40, 640, 480}, std::nullopt, WindowType::normal, "App", "Document 2"},
        };
    }

    AccessibleElement addWindow(std::optional<std::string> title, std::optional<ostrel::Rect> frame) {
        FakeAccessibleNode node{AccessibleRole::window};
        node.title = std::move(title);
        node.frame = frame;
        const AccessibleElement element = ax.add(node);
        ax.windowsByPid[pid].push_back(element);
        return element;
    }

    platform::FakeAccessibility ax;
    platform::FakeWindowServer windowServer;
    ostrel::SystemClock clock;
    WindowInspector inspector{ax, windowServer, clock};
};

TEST_F(WindowInspectorTest, WindowListFramePassesOverSmallAndUnusualWindows) {
    EXPECT_EQ(inspector.windowListFrame(pid),
              (WindowSnapshot{"Document 1", ostrel::Rect{10, 20, 640, 480}, std::nullopt}));
    EXPECT_EQ(inspector.windowListFrame(999), WindowSnapshot{});

    windowServer.windows[3].frame.reset();
    EXPECT_EQ(inspector.windowListFrame(pid), (WindowSnapshot{"Document 1", std::nullopt, std::nullopt}))
        << "a window without bounds is taken, without a frame";
}

TEST_F(WindowInspectorTest, SnapshotPrefersAccessibilityAndFillsGapsFromTheWindowList) {
    const AccessibleElement main = addWindow("Main", ostrel::Rect{1, 2, 300, 300});
    const AccessibleElement focused = addWindow("  ", std::nullopt);
    ax.mainWindowByPid[pid] = main;
    EXPECT_EQ(inspector.snapshot(pid), (WindowSnapshot{"Main", ostrel::Rect{1, 2, 300, 300}, main}))
        << "the main window when none has the focus";

    ax.focusedWindowByPid[pid] = focused;
    EXPECT_EQ(inspector.snapshot(pid),
              (WindowSnapshot{"Document 1", ostrel::Rect{10, 20, 640, 480}, focused}))
        << "a blank title and a missing frame come from the window list";

    ax.trusted = false;
    EXPECT_EQ(inspector.snapshot(pid), inspector.windowListFrame(pid))
        << "without permission, the window list";

    ax.trusted = true;
    EXPECT_EQ(inspector.snapshot(31337), WindowSnapshot{}) << "no window anywhere";
}

TEST_F(WindowInspectorTest, WindowsOfAProcess) {
    const AccessibleElement first = addWindow("", ostrel::Rect{0, 0, 10, 10});
    const AccessibleElement second = addWindow(std::nullopt, std::nullopt);
    EXPECT_EQ(inspector.windows(pid), (std::vector<AXWindow>{{first, "", ostrel::Rect{0, 0, 10, 10}},
                                                             {second, std::nullopt, std::nullopt}}))
        << "titles are not tested for blankness";
    EXPECT_TRUE(inspector.windows(999).empty());
    ax.trusted = false;
    EXPECT_TRUE(inspector.windows(pid).empty());
}

TEST_F(WindowInspectorTest, SecureInputIsAFocusedPasswordFieldOfTheApplicationInFront) {
    constexpr std::int32_t terminal = 7; // in front, without accessibility of its own
    constexpr std::int32_t sandboxed = 8;
    EXPECT_FALSE(inspector.isSecureInputFocused(pid)) << "nothing focused";
    ax.focused = ax.add({AccessibleRole::textField});
    EXPECT_FALSE(inspector.isSecureInputFocused(pid));

    FakeAccessibleNode password{AccessibleRole::secureTextField};
    password.pid = pid;
    ax.focused = ax.add(password);
    EXPECT_TRUE(inspector.isSecureInputFocused(pid)) << "its own application is in front";
    // The browser says nothing when the terminal comes in front of it: its field keeps the focus.
    EXPECT_FALSE(inspector.isSecureInputFocused(terminal)) << "another application is in front";

    // A sandbox shows the application to accessibility under the process of its proxy.
    password.pid = sandboxed;
    ax.focused = ax.add(password);
    EXPECT_FALSE(inspector.isSecureInputFocused(pid));
    ax.focusedWindowByPid[sandboxed] = addWindow("Sign in", std::nullopt);
    EXPECT_TRUE(inspector.isSecureInputFocused(pid)) << "its application's window is the active one";

    password.pid.reset();
    ax.focused = ax.add(password);
    EXPECT_TRUE(inspector.isSecureInputFocused(terminal))
        << "an owner that cannot be told counts as in front";
    ax.trusted = false;
    EXPECT_FALSE(inspector.isSecureInputFocused(terminal));
}

} // namespace
} // namespace vesperline
