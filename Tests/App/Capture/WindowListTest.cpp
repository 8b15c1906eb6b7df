#include "Capture/WindowList.h"
#include "Platform/Fake/FakeWindowServer.h"
#include "Platform/Fake/FakeWorkspace.h"

#include <gtest/gtest.h>

namespace vesperline {
namespace {

using ostrel::Rect;
using platform::WindowServerWindow;
using platform::WindowType;

constexpr std::int32_t browserPID = 100;
constexpr std::int32_t editorPID = 200;

class WindowListTest : public ::testing::Test {
  protected:
    WindowListTest() {
        workspace.applications[browserPID] = {browserPID, "firefox", "Firefox"};
        workspace.applications[editorPID] = {editorPID, "org.gnome.TextEditor", "Text Editor"};
    }

    // Side by side, so that none lies in front of another.
    static WindowServerWindow window(std::uint32_t id, std::optional<std::int32_t> pid, std::string owner) {
        return {id,
                pid,
                Rect{500.0 * id, 0, 400, 300},
                std::nullopt,
                WindowType::normal,
                std::move(owner),
                "Window " + std::to_string(id)};
    }

    platform::FakeWindowServer windowServer;
    platform::FakeWorkspace workspace;
    WindowList list{windowServer, workspace};
};

TEST_F(WindowListTest, KeepsTheVisibleWindowsOfBrowsersFrontToBack) {
    windowServer.windows = {window(1, browserPID, "firefox"),   window(2, editorPID, "gnome-text-editor"),
                            window(3, std::nullopt, "firefox"), window(4, browserPID, "firefox"),
                            window(5, browserPID, "firefox"),   window(6, browserPID, "firefox"),
                            window(7, browserPID, "firefox")};
    windowServer.windows[4].alpha = 0;
    windowServer.windows[5].frame.reset();
    windowServer.windows[6].alpha = 0.5;
    windowServer.windows[6].title.reset();
    EXPECT_EQ(list.current(),
              (std::vector<ostrel::ScreenWindow>{{1, browserPID, Rect{500, 0, 400, 300}, "Window 1"},
                                                 {4, browserPID, Rect{2000, 0, 400, 300}, "Window 4"},
                                                 {7, browserPID, Rect{3500, 0, 400, 300}, std::nullopt}}));
    EXPECT_EQ(workspace.lookups[browserPID], 1) << "one lookup per process";
    EXPECT_EQ(workspace.lookups[editorPID], 1);
    list.current();
    EXPECT_EQ(workspace.lookups[browserPID], 1) << "cached across reads";
}

TEST_F(WindowListTest, KeepsTheClientAreaWhenDecorationsSurroundIt) {
    windowServer.windows = {window(1, browserPID, "firefox"), window(2, browserPID, "firefox")};
    windowServer.windows[0].clientFrame = Rect{500, 24, 400, 276};
    windowServer.windows[1].clientFrame = windowServer.windows[1].frame;
    const auto windows = list.current();
    EXPECT_EQ(windows[0].clientFrame, (Rect{500, 24, 400, 276}));
    EXPECT_EQ(windows[0].contentFrame(), (Rect{500, 24, 400, 276}));
    EXPECT_FALSE(windows[1].clientFrame) << "no decorations: the frame is the client area";
    EXPECT_EQ(windows[1].contentFrame(), windows[1].frame);
}

TEST_F(WindowListTest, NamesTheOpaqueWindowsInFrontOfEachBrowserWindow) {
    WindowServerWindow terminal = window(1, editorPID, "xterm");
    terminal.frame = Rect{0, 0, 300, 200};
    WindowServerWindow faded = window(2, editorPID, "xterm");
    faded.frame = Rect{0, 0, 800, 600};
    faded.alpha = 0.9; // a compositor blends it: what lies below shows through
    WindowServerWindow elsewhere = window(3, editorPID, "xterm"); // meets no browser window
    WindowServerWindow front = window(4, browserPID, "firefox");
    front.frame = Rect{100, 100, 400, 300};
    WindowServerWindow back = window(5, browserPID, "firefox");
    back.frame = Rect{200, 150, 400, 300};
    windowServer.windows = {terminal, faded, elsewhere, front, back};
    const auto windows = list.current();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].coveringFrames, (std::vector<Rect>{{0, 0, 300, 200}}));
    EXPECT_EQ(windows[1].coveringFrames, (std::vector<Rect>{{0, 0, 300, 200}, {100, 100, 400, 300}}))
        << "another browser window in front covers it too";
}

TEST_F(WindowListTest, AReusedProcessIDIsLookedUpAgain) {
    EXPECT_TRUE(list.isBrowserProcess(browserPID, "firefox"));
    workspace.applications[browserPID] = {browserPID, "org.gnome.Calculator", "Calculator"};
    EXPECT_TRUE(list.isBrowserProcess(browserPID, "firefox")) << "same owner: the cached answer";
    EXPECT_FALSE(list.isBrowserProcess(browserPID, "gnome-calculator"));
    EXPECT_EQ(workspace.lookups[browserPID], 2);
    EXPECT_FALSE(list.isBrowserProcess(31337, "gone")) << "no such process: no browser";
}

TEST_F(WindowListTest, TheCacheIsEmptiedWhenFull) {
    for (std::int32_t pid = 1000; pid < 1501; ++pid) {
        list.isBrowserProcess(pid, "app");
    }
    list.isBrowserProcess(1000, "app");
    EXPECT_EQ(workspace.lookups[1000], 1) << "501 entries fit";
    list.isBrowserProcess(5000, "app");
    list.isBrowserProcess(1000, "app");
    EXPECT_EQ(workspace.lookups[1000], 2) << "the 502nd process emptied the cache";
}

} // namespace
} // namespace vesperline
