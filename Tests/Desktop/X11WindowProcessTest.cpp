// Which process made a window, against real X servers: the session's, and one started without the
// X-Resource extension.
#include "DesktopSession.h"

#include "Capture/WindowList.h"
#include "Platform/Linux/DesktopFileApplications.h"
#include "Platform/Linux/X11WindowProcess.h"
#include "Platform/Linux/X11WindowServer.h"
#include "Platform/Linux/X11Workspace.h"

#include <QProcess>

#include <unistd.h>

namespace vesperline::platform {
namespace {

using desktoptest::FixtureApp;
using desktoptest::launchedAs;

// The pid a sandboxed application gives its windows: its own inside the sandbox.
constexpr std::uint32_t sandboxPID = 2;

// A window of our own connection, with `_NET_WM_PID` set when `declared` is given.
xcb_window_t makeWindow(X11Connection& x11, std::optional<std::uint32_t> declared) {
    xcb_connection_t* connection = x11.connection();
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, x11.root(), 0, 0, 40, 40, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    if (declared) {
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, x11.ewmh()->_NET_WM_PID,
                            XCB_ATOM_CARDINAL, 32, 1, &*declared);
    }
    xcb_flush(connection);
    return window;
}

// An X server of its own that lacks the X-Resource extension, as some servers do.
class ServerWithoutClientResources {
  public:
    ServerWithoutClientResources() {
        server_.start("Xvfb", {"-displayfd", "1", "-extension", "X-Resource", "-nolisten", "tcp", "-screen",
                               "0", "320x240x24"});
        if (server_.waitForStarted(10000) && server_.waitForReadyRead(20000)) {
            display_ = ":" + server_.readLine().trimmed().toStdString();
        }
    }
    ~ServerWithoutClientResources() {
        server_.terminate();
        server_.waitForFinished(5000);
    }
    // Empty when it did not start.
    const std::string& display() const { return display_; }

  private:
    QProcess server_;
    std::string display_;
};

TEST(X11WindowProcessTest, TheServersRecordOfTheClientWinsOverWhatTheWindowDeclares) {
    REQUIRE_DESKTOP_SESSION();
    ServerWithoutClientResources bare;
    ASSERT_FALSE(bare.display().empty()) << "Xvfb did not start";
    const std::shared_ptr<X11Connection> session = X11Connection::open();
    const std::shared_ptr<X11Connection> withoutResources = X11Connection::open(bare.display().c_str());
    ASSERT_TRUE(session && withoutResources);
    ASSERT_TRUE(session->hasClientResources());
    ASSERT_FALSE(withoutResources->hasClientResources());

    const std::int32_t us = ::getpid();
    const struct {
        const char* name;
        X11Connection& x11;
        std::optional<std::uint32_t> declared;
        std::optional<std::int32_t> process;
    } cases[] = {
        {"a sandbox pid is not the process", *session, sandboxPID, us},
        {"a window that declares none", *session, std::nullopt, us},
        {"without X-Resource the declared pid counts", *withoutResources, sandboxPID, sandboxPID},
        {"without X-Resource and without a declared pid nothing is known", *withoutResources, std::nullopt,
         std::nullopt},
    };
    for (const auto& c : cases) {
        const xcb_window_t window = makeWindow(c.x11, c.declared);
        EXPECT_EQ(windowProcesses(c.x11, {window}), std::vector{c.process}) << c.name;
        EXPECT_EQ(xcb_connection_has_error(c.x11.connection()), 0)
            << c.name << ": the connection stays usable";
    }
}

TEST(X11WindowProcessTest, TwoSandboxedApplicationsKeepTheirOwnIdentity) {
    REQUIRE_DESKTOP_SESSION();
    const std::shared_ptr<X11Connection> x11 = X11Connection::open();
    ASSERT_TRUE(x11);
    FixtureApp browser(launchedAs("firefox-esr"));
    FixtureApp notes(launchedAs("org.example.Notes"));
    ASSERT_TRUE(browser.started() && notes.started());
    ASSERT_TRUE(browser.canvas(100, 100, 400, 300, "browser", "Sandboxed Browser"));
    ASSERT_TRUE(notes.canvas(600, 100, 400, 300, "notes", "Sandboxed Notes"));
    X11WindowServer windowServer(x11);
    std::vector<WindowServerWindow> windows;
    ASSERT_TRUE(desktoptest::waitUntil([&] {
        windows.clear();
        for (const WindowServerWindow& window : windowServer.onScreenWindows()) {
            if (window.pid == browser.pid() || window.pid == notes.pid()) {
                windows.push_back(window);
            }
        }
        return windows.size() == 2;
    }));
    // Both declare the same pid inside their sandboxes, as two sandboxed applications do.
    for (const WindowServerWindow& window : windows) {
        desktoptest::runTool("xprop", {"-id", QString::number(window.id), "-f", "_NET_WM_PID", "32c", "-set",
                                       "_NET_WM_PID", QString::number(sandboxPID)});
    }

    DesktopFileApplications noDesktopFiles(std::vector<std::filesystem::path>{});
    X11Workspace workspace(x11, noDesktopFiles);
    const auto browserApp = workspace.runningApplication(browser.pid());
    const auto notesApp = workspace.runningApplication(notes.pid());
    ASSERT_TRUE(browserApp && notesApp);
    EXPECT_EQ(browserApp->bundleID, "firefox-esr");
    EXPECT_EQ(notesApp->bundleID, "org.example.Notes");

    // The browser's window stays in the browser list, under its own process; the other one is no
    // browser's.
    vesperline::WindowList list(windowServer, workspace);
    std::vector<ostrel::ScreenWindow> browsers;
    ASSERT_TRUE(desktoptest::waitUntil([&] { return !(browsers = list.current()).empty(); }));
    ASSERT_EQ(browsers.size(), 1u);
    EXPECT_EQ(browsers[0].title, "Sandboxed Browser");
    EXPECT_EQ(browsers[0].pid, browser.pid());
}

} // namespace
} // namespace vesperline::platform
