// The X11 readers against a real X server with a window manager, using the fixture's windows.
#include "DesktopSession.h"

#include "Capture/FrontmostTracker.h"
#include "Platform/Linux/DesktopFileApplications.h"
#include "Platform/Linux/X11Connection.h"
#include "Platform/Linux/X11Displays.h"
#include "Platform/Linux/X11UserIdle.h"
#include "Platform/Linux/X11WindowServer.h"
#include "Platform/Linux/X11Workspace.h"
#include "Support/TemporaryDirectory.h"

#include <QThread>

#include <algorithm>
#include <fstream>
#include <map>

namespace vesperline::platform {
namespace {

using desktoptest::FixtureApp;

class X11LayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_DESKTOP_SESSION();
        x11 = X11Connection::open();
        ASSERT_TRUE(x11) << "no X display";
    }

    std::vector<WindowServerWindow> windowsOf(std::int32_t pid) {
        std::vector<WindowServerWindow> owned;
        for (const WindowServerWindow& window : X11WindowServer(x11).onScreenWindows()) {
            if (window.pid == pid) {
                owned.push_back(window);
            }
        }
        return owned;
    }

    // The X window id (as xdotool takes it) of the process's window with this title.
    QString windowIDOf(std::int32_t pid, const std::string& title) {
        for (const WindowServerWindow& window : windowsOf(pid)) {
            if (window.title == title) {
                return QString::number(window.id);
            }
        }
        return {};
    }

    std::shared_ptr<X11Connection> x11;
    // Names come from the window class then.
    DesktopFileApplications noDesktopFiles{std::vector<std::filesystem::path>{}};
};

TEST_F(X11LayerTest, TheScreenIsOneMainDisplay) {
    const std::vector<DisplayInfo> displays = X11Displays(x11).displays();
    ASSERT_EQ(displays.size(), 1u);
    EXPECT_TRUE(displays[0].isMain);
    EXPECT_EQ(displays[0].bounds, (ostrel::Rect{0, 0, 1920, 1080}));
    EXPECT_NE(displays[0].id, 0u);
    EXPECT_EQ(X11Displays(x11).displays(), displays) << "the id stays the same between reads";
}

TEST_F(X11LayerTest, ListsTheFixtureWindowsFrontToBackWithTitlePidAndFrame) {
    FixtureApp fixture;
    ASSERT_TRUE(fixture.started());
    std::vector<WindowServerWindow> windows;
    ASSERT_TRUE(desktoptest::waitUntil([&] { return (windows = windowsOf(fixture.pid())).size() == 2; }));
    // The logbook window was shown last, so it is in front.
    EXPECT_EQ(windows[0].title, "Fixture Logbook");
    EXPECT_EQ(windows[1].title, "Fixture Notes");
    for (const WindowServerWindow& window : windows) {
        EXPECT_EQ(window.ownerName, "DesktopFixture");
        EXPECT_EQ(window.type, WindowType::normal);
        EXPECT_FALSE(window.alpha.has_value());
        ASSERT_TRUE(window.frame.has_value());
    }
    // The frame holds the client area the fixture asked for, plus the window manager's decorations.
    const ostrel::Rect notes = *windows[1].frame;
    EXPECT_TRUE(notes.contains({100, 120, 640, 480}))
        << notes.x << "," << notes.y << " " << notes.width << "x" << notes.height;
    EXPECT_GT(notes.height, 480);

    desktoptest::runTool("xdotool", {"search", "--name", "Fixture Notes", "windowactivate", "--sync"});
    ASSERT_TRUE(desktoptest::waitUntil([&] {
        windows = windowsOf(fixture.pid());
        return windows.size() == 2 && windows[0].title == "Fixture Notes";
    })) << "activating a window raises it to the front";

    desktoptest::runTool("xdotool", {"search", "--name", "Fixture Logbook", "windowminimize", "--sync"});
    ASSERT_TRUE(desktoptest::waitUntil([&] { return windowsOf(fixture.pid()).size() == 1; }))
        << "a minimised window is not on screen";
}

TEST_F(X11LayerTest, ReadsOpacity) {
    FixtureApp fixture;
    ASSERT_TRUE(fixture.started());
    // The property is set the way compositors read it.
    const QString id =
        desktoptest::runTool("xdotool", {"search", "--name", "Fixture Notes"}).split('\n').first();
    desktoptest::runTool(
        "xprop", {"-id", id, "-f", "_NET_WM_WINDOW_OPACITY", "32c", "-set", "_NET_WM_WINDOW_OPACITY", "0"});
    std::optional<double> alpha;
    ASSERT_TRUE(desktoptest::waitUntil([&] {
        for (const WindowServerWindow& window : windowsOf(fixture.pid())) {
            if (window.title == "Fixture Notes") {
                alpha = window.alpha;
            }
        }
        return alpha.has_value();
    }));
    EXPECT_EQ(*alpha, 0.0);
}

TEST_F(X11LayerTest, NamesTheApplicationByDesktopFileElseWindowClass) {
    QProcessEnvironment launched;
    launched.insert("GIO_LAUNCHED_DESKTOP_FILE",
                    "/usr/share/applications/org.vesperline.DesktopFixture.desktop");
    FixtureApp fromLauncher(launched);
    FixtureApp plain;
    ASSERT_TRUE(fromLauncher.started() && plain.started());
    X11Workspace workspace(x11, noDesktopFiles);
    const auto launchedApp = workspace.runningApplication(fromLauncher.pid());
    ASSERT_TRUE(launchedApp);
    EXPECT_EQ(launchedApp->bundleID, "org.vesperline.DesktopFixture");
    EXPECT_EQ(launchedApp->name, "DesktopFixture");
    EXPECT_EQ(launchedApp->pid, fromLauncher.pid());
    const auto plainApp = workspace.runningApplication(plain.pid());
    ASSERT_TRUE(plainApp);
    EXPECT_EQ(plainApp->bundleID, "DesktopFixture");
    EXPECT_FALSE(workspace.runningApplication(-5).has_value());
}

TEST_F(X11LayerTest, NamesTheApplicationAsItsDesktopFileDoes) {
    testsupport::TemporaryDirectory data;
    const auto install = [&](const std::string& file, const std::string& text) {
        std::filesystem::create_directories(data.path() / "applications");
        std::ofstream(data.path() / "applications" / file) << "[Desktop Entry]\nType=Application\n" << text;
    };
    install("org.example.Atlas.desktop", "Name=Atlas Maps\nName[de]=Atlas Karten\n");
    // Found by the window class a real xterm gives.
    install("terminal.desktop", "Name=Terminal Emulator\nStartupWMClass=XTerm\n");
    FixtureApp atlas(desktoptest::launchedAs("org.example.Atlas"));
    FixtureApp plain;
    desktoptest::InstalledProgram xterm("xterm", {"-e", "sleep", "60"});
    ASSERT_TRUE(atlas.started() && plain.started() && xterm.started());
    ASSERT_TRUE(atlas.canvas(600, 100, 200, 100, "atlas", "Atlas"));
    ASSERT_TRUE(desktoptest::waitUntil([&] { return !windowsOf(xterm.pid()).empty(); }));

    const struct {
        const char* locale;
        std::int32_t pid;
        const char* id;
        const char* name;
    } cases[] = {
        {"en_GB.UTF-8", atlas.pid(), "org.example.Atlas", "Atlas Maps"},
        {"de_DE.UTF-8", atlas.pid(), "org.example.Atlas", "Atlas Karten"},
        {"en_GB.UTF-8", xterm.pid(), "XTerm", "Terminal Emulator"},
        // No desktop file: the window class.
        {"en_GB.UTF-8", plain.pid(), "DesktopFixture", "DesktopFixture"},
    };
    for (const auto& c : cases) {
        DesktopFileApplications installed({data.path()}, c.locale);
        X11Workspace workspace(x11, installed);
        const auto application = workspace.runningApplication(c.pid);
        ASSERT_TRUE(application) << c.name;
        EXPECT_EQ(application->bundleID, c.id) << "the id stays as it was";
        EXPECT_EQ(application->name, c.name);
    }
}

TEST_F(X11LayerTest, ListsEachRunningApplicationWithWindowsOnce) {
    FixtureApp fromLauncher(desktoptest::launchedAs("org.vesperline.DesktopFixture"));
    FixtureApp plain;
    ASSERT_TRUE(fromLauncher.started() && plain.started());
    ASSERT_TRUE(fromLauncher.canvas(600, 100, 200, 100, "one", "Fixture One"));
    ASSERT_TRUE(plain.canvas(600, 300, 200, 100, "two", "Fixture Two"));
    X11Workspace workspace(x11, noDesktopFiles);
    std::map<std::string, int> listed;
    for (const RunningApplication& application : workspace.runningApplications()) {
        ++listed[application.bundleID.value_or("")];
    }
    // The plain fixture shows several windows; it is listed once all the same.
    EXPECT_EQ(listed["org.vesperline.DesktopFixture"], 1);
    EXPECT_EQ(listed["DesktopFixture"], 1);
}

TEST_F(X11LayerTest, ReportsTheFrontmostApplicationAndItsChanges) {
    FixtureApp fixture;
    ASSERT_TRUE(fixture.started());
    X11Workspace workspace(x11, noDesktopFiles);
    std::vector<std::optional<RunningApplication>> changes;
    workspace.setActivationHandler(
        [&](std::optional<RunningApplication> application) { changes.push_back(application); });
    desktoptest::runTool("xdotool", {"search", "--name", "Fixture Notes", "windowactivate", "--sync"});
    ASSERT_TRUE(desktoptest::waitUntil([&] { return !changes.empty() && changes.back(); }));
    EXPECT_EQ(changes.back()->pid, fixture.pid());
    EXPECT_EQ(workspace.frontmostApplication(), changes.back());
}

TEST_F(X11LayerTest, ReportsAnApplicationOnceWhenItShowsItsFirstWindow) {
    FixtureApp running;
    ASSERT_TRUE(running.started());
    X11Workspace workspace(x11, noDesktopFiles);
    std::vector<RunningApplication> launches;
    workspace.setLaunchHandler([&](RunningApplication application) { launches.push_back(application); });
    ASSERT_TRUE(running.canvas(600, 100, 200, 100, "later", "Fixture Later"));
    FixtureApp launched;
    ASSERT_TRUE(launched.started());
    ASSERT_TRUE(desktoptest::waitUntil([&] { return !launches.empty(); }));
    desktoptest::waitUntil([] { return false; }, 0.5);
    ASSERT_EQ(launches.size(), 1u) << "its second window and a new window of a running one are no launch";
    EXPECT_EQ(launches[0].pid, launched.pid());
    EXPECT_EQ(launches[0].bundleID, "DesktopFixture");
}

TEST_F(X11LayerTest, TheFrontmostTrackerSeesOneChangePerActivatedApplication) {
    FixtureApp first;
    FixtureApp second;
    ASSERT_TRUE(first.started() && second.started());
    X11Workspace workspace(x11, noDesktopFiles);
    FrontmostTracker tracker;
    std::vector<std::optional<FrontmostApp>> changes;
    tracker.setOnChange([&](const std::optional<FrontmostApp>& app) { changes.push_back(app); });
    ASSERT_TRUE(desktoptest::waitUntil([&] {
        tracker.start(workspace);
        return tracker.current() && tracker.current()->pid == second.pid();
    })) << "the application started last is frontmost";
    changes.clear();

    const QString firstNotes = windowIDOf(first.pid(), "Fixture Notes");
    const QString firstLogbook = windowIDOf(first.pid(), "Fixture Logbook");
    desktoptest::runTool("xdotool", {"windowactivate", "--sync", firstNotes});
    ASSERT_TRUE(desktoptest::waitUntil([&] { return !changes.empty(); }));
    desktoptest::runTool("xdotool", {"windowactivate", "--sync", firstLogbook});
    desktoptest::waitUntil([] { return false; }, 0.5);
    ASSERT_EQ(changes.size(), 1u) << "another window of the same application is no change";
    ASSERT_TRUE(changes[0]);
    EXPECT_EQ(changes[0]->pid, first.pid());
    EXPECT_EQ(changes[0]->bundleID, "DesktopFixture");
}

TEST_F(X11LayerTest, IdleTimeResetsOnInput) {
    X11UserIdle idle(x11);
    ASSERT_TRUE(desktoptest::waitUntil([&] { return idle.secondsSinceLastInput().value_or(0) >= 0.5; }));
    desktoptest::runTool("xdotool", {"mousemove", "--sync", "300", "300"});
    const auto afterInput = idle.secondsSinceLastInput();
    ASSERT_TRUE(afterInput);
    EXPECT_LT(*afterInput, 0.5);
}

} // namespace
} // namespace vesperline::platform
