// The built application in the desktop session: it records the fixture's window, ends on SIGTERM,
// on Ctrl+Q and (the session has no tray) when its main window is closed, each time through the same
// drain as a quit (the segment finished, the moments stored), keeps to one instance per data folder,
// survives being started again while it quits, and opens its memory behind the app lock on an
// account that has no password to type.
#include "DesktopSession.h"

#include "Platform/Linux/AccountPassword.h"
#include "Platform/Linux/DesktopEntry.h"
#include "Platform/Linux/FFmpegVideoFiles.h"
#include "Storage/MemoryStore.h"
#include "Storage/OstrelPaths.h"
#include "Support/FileMode.h"
#include "Support/TemporaryDirectory.h"

#include <QDir>
#include <QFile>
#include <QRect>

#include <csignal>
#include <filesystem>

#include <pwd.h>
#include <unistd.h>

namespace vesperline::desktoptest {
namespace {

using ostrel::MemoryStore;

// The application over a data folder and settings of its own, the tour completed beforehand.
class ApplicationTest : public ::testing::Test {
  protected:
    ApplicationTest() {
        const QString config = QString::fromStdString((folder.path() / "config").string());
        QDir().mkpath(config + "/Vesperline");
        writeSettings(R"({"onboardingCompleted": true})");
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert("OSTREL_DATA_DIR", QString::fromStdString(data().string()));
        environment.insert("XDG_CONFIG_HOME", config);
        // The test program itself may run offscreen; the application runs on the session's display.
        environment.remove("QT_QPA_PLATFORM");
    }

    std::filesystem::path data() const { return folder.path() / "data"; }
    void writeSettings(const QByteArray& json) {
        QFile settings(QString::fromStdString((folder.path() / "config/Vesperline/settings.json").string()));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write(json);
    }

    // Started as the login autostart entry starts it, or as a user starts it from the applications.
    void start(QProcess& process, bool loginItem = true) {
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(QStringLiteral(VESPERLINE_APPLICATION),
                      loginItem ? QStringList{"--login-item"} : QStringList{});
        ASSERT_TRUE(process.waitForStarted(10000));
    }
    // The id of the visible window of `process` whose title matches `pattern`, once there is one.
    static QString windowOf(const QProcess& process, const QString& pattern, double seconds = 20) {
        QString found;
        waitUntil(
            [&] {
                found = runTool("xdotool", {"search", "--all", "--onlyvisible", "--pid",
                                            QString::number(process.processId()), "--name", pattern})
                            .section('\n', 0, 0)
                            .trimmed();
                return !found.isEmpty();
            },
            seconds);
        return found;
    }
    static QString mainWindowOf(const QProcess& process) { return windowOf(process, " — Vesperline$"); }
    // Keeps moments of the fixture's window until one of them waits in an open segment.
    void recordUntilASegmentIsOpen() {
        ASSERT_TRUE(waitUntil(
            [&] {
                runTool("xdotool", {"search", "--name", "^Fixture Notes$", "windowactivate", "--sync"});
                return count("SELECT COUNT(*) FROM segments WHERE closed = 0") >= 1 &&
                       count("SELECT COUNT(*) FROM frames WHERE segment_id IS NOT NULL") >= 1;
            },
            40))
            << "a moment of the fixture is kept in an open segment";
    }
    // The process ended by itself, through its quit, with every segment finished and readable.
    void expectEndedWithEverySegmentFinished(QProcess& app) {
        ASSERT_TRUE(app.waitForFinished(30000)) << "the application goes on running";
        EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(app.exitCode(), 0);
        MemoryStore store(ostrel::OstrelPaths::databaseURL(data()), true);
        EXPECT_TRUE(store.openSegments().empty()) << "the open segment was finished before the end";
        const auto pictures = store.db().query(
            "SELECT s.path, f.segment_index FROM frames f JOIN segments s ON s.id = f.segment_id", {}, false,
            [](const ostrel::SQLRow& row) { return std::pair(row.text(0).value_or(""), row.int64(1)); });
        ASSERT_FALSE(pictures.empty());
        platform::FFmpegVideoFiles files;
        for (const auto& [path, index] : pictures) {
            auto reader = files.openReader(ostrel::OstrelPaths::frameFileURL(data(), path));
            ASSERT_TRUE(reader) << path;
            EXPECT_TRUE(reader->decodeFrame(index)) << path << " " << index;
        }
    }
    static void terminate(QProcess& process) { ::kill(static_cast<pid_t>(process.processId()), SIGTERM); }

    std::int64_t count(const std::string& sql) {
        try {
            MemoryStore store(ostrel::OstrelPaths::databaseURL(data()), true);
            return store.db().scalarInt(sql).value_or(0);
        } catch (const std::exception&) {
            return 0; // not there yet
        }
    }

    testsupport::TemporaryDirectory folder;
    QProcessEnvironment environment;
};

TEST_F(ApplicationTest, RecordsTheFixtureAndEndsOnSigtermWithEverySegmentFinished) {
    REQUIRE_DESKTOP_SESSION();
    FixtureApp fixture;
    ASSERT_TRUE(fixture.started());
    runTool("xdotool", {"search", "--name", "^Fixture Notes$", "windowactivate", "--sync"});

    QProcess app;
    start(app);
    // A still window gives one moment; another one in front gives the next. On a busy machine the
    // first window may be passed by before its moment is kept, so the two take turns until both were.
    const QStringList windows = {"Fixture Notes", "Fixture Logbook"};
    const auto keptBoth = [&] {
        return count("SELECT COUNT(*) FROM frames WHERE window_title = 'Fixture Notes'") >= 1 &&
               count("SELECT COUNT(*) FROM frames WHERE window_title = 'Fixture Logbook'") >= 1;
    };
    for (int round = 0; !keptBoth() && round < 20; ++round) {
        runTool("xdotool", {"search", "--name", "^" + windows[round % 2] + "$", "windowactivate", "--sync"});
        waitUntil([&] { return false; }, 2);
    }
    ASSERT_GE(count("SELECT COUNT(*) FROM frames"), 2) << "the application keeps moments of the fixture";

    // Without a tray the main window opens at launch, login start or not. With another window in
    // front, a second launch asks the running one to show itself and ends at once.
    const QString pid = QString::number(app.processId());
    ASSERT_TRUE(waitUntil(
        [&] {
            return !runTool("xdotool", {"search", "--all", "--onlyvisible", "--pid", pid}).isEmpty();
        },
        15))
        << "no tray: the main window is the way in";
    runTool("xdotool", {"search", "--name", "^Fixture Notes$", "windowactivate", "--sync"});
    const auto appInFront = [&] {
        return runTool("xdotool", {"getactivewindow", "getwindowpid"}).trimmed() == pid;
    };
    ASSERT_FALSE(appInFront());
    QProcess second;
    start(second);
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(app.state(), QProcess::Running);
    EXPECT_TRUE(waitUntil(appInFront, 15)) << "the running one brings its main window forward";

    terminate(app); // SIGTERM ends it through its quit
    expectEndedWithEverySegmentFinished(app);

    MemoryStore store(ostrel::OstrelPaths::databaseURL(data()), true);
    EXPECT_GE(store.db().scalarInt("SELECT COUNT(*) FROM frames").value_or(0), 2);
    EXPECT_GE(
        store.db().scalarInt("SELECT COUNT(*) FROM frames WHERE window_title = 'Fixture Notes'").value_or(0),
        1);
    EXPECT_GE(store.db().scalarInt("SELECT COUNT(*) FROM activity").value_or(0), 1)
        << "the activity span was ended and kept";

    // Every file of the memory, and the settings it saved at its end, are the user's alone.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(data())) {
        if (entry.is_regular_file()) {
            EXPECT_EQ(testsupport::fileMode(entry.path()), 0600) << entry.path();
        }
    }
    EXPECT_EQ(testsupport::fileMode(folder.path() / "config" / "Vesperline" / "settings.json"), 0600);
}

TEST_F(ApplicationTest, CtrlQInTheMainWindowEndsItWithItsOpenSegmentFinished) {
    REQUIRE_DESKTOP_SESSION();
    FixtureApp fixture;
    ASSERT_TRUE(fixture.started());
    QProcess app;
    start(app, false);
    const QString mainWindow = mainWindowOf(app);
    ASSERT_FALSE(mainWindow.isEmpty()) << "no tray: the main window opens";
    recordUntilASegmentIsOpen();

    runTool("xdotool", {"windowactivate", "--sync", mainWindow});
    runTool("xdotool", {"key", "--clearmodifiers", "ctrl+q"});
    expectEndedWithEverySegmentFinished(app);
}

TEST_F(ApplicationTest, WithoutATrayClosingTheMainWindowEndsTheAppAndTheSettingsTitleIsItsOwn) {
    REQUIRE_DESKTOP_SESSION();
    FixtureApp fixture;
    ASSERT_TRUE(fixture.started());
    QProcess app;
    start(app);
    const QString mainWindow = mainWindowOf(app);
    ASSERT_FALSE(mainWindow.isEmpty()) << "no tray: the main window opens, login start or not";
    recordUntilASegmentIsOpen();

    // Ctrl+, opens the settings, titled as they are and nothing appended.
    runTool("xdotool", {"windowactivate", "--sync", mainWindow});
    runTool("xdotool", {"key", "--clearmodifiers", "ctrl+comma"});
    EXPECT_FALSE(windowOf(app, "^Vesperline Settings$").isEmpty());
    EXPECT_EQ(app.state(), QProcess::Running);

    // Closed through the window manager (openbox's Alt+F4), as a user closes it; the settings window
    // still open does not keep it running.
    runTool("xdotool", {"windowactivate", "--sync", mainWindow});
    runTool("xdotool", {"key", "--clearmodifiers", "alt+F4"});
    expectEndedWithEverySegmentFinished(app);
}

// The session's screen as one monitor of `width` pixels at the left, for the life of the object.
class NarrowMonitor {
  public:
    explicit NarrowMonitor(int width) {
        runTool("xrandr", {"--setmonitor", "*narrow", QString("%1/264x1080/285+0+0").arg(width), "screen"});
    }
    ~NarrowMonitor() { runTool("xrandr", {"--delmonitor", "narrow"}); }
    NarrowMonitor(const NarrowMonitor&) = delete;
    NarrowMonitor& operator=(const NarrowMonitor&) = delete;
};

// Where a window lies on the screen: x, y, width and height.
QRect geometryOf(const QString& window) {
    QRect rect;
    for (const QString& line : runTool("xdotool", {"getwindowgeometry", "--shell", window}).split('\n')) {
        const QString value = line.section('=', 1);
        if (line.startsWith("X=")) {
            rect.moveLeft(value.toInt());
        } else if (line.startsWith("Y=")) {
            rect.moveTop(value.toInt());
        } else if (line.startsWith("WIDTH=")) {
            rect.setWidth(value.toInt());
        } else if (line.startsWith("HEIGHT=")) {
            rect.setHeight(value.toInt());
        }
    }
    return rect;
}

TEST_F(ApplicationTest, TheMainWindowComesBackWhereItWasAndInsideAMonitorNarrowerThanIt) {
    REQUIRE_DESKTOP_SESSION();
    QRect moved;
    {
        QProcess app;
        start(app, false);
        const QString window = mainWindowOf(app);
        ASSERT_FALSE(window.isEmpty());
        const QRect opened = geometryOf(window);
        runTool("xdotool", {"windowmove", "--sync", window, "600", "120"});
        ASSERT_TRUE(waitUntil([&] { return geometryOf(window).topLeft() != opened.topLeft(); }, 10));
        moved = geometryOf(window);
        runTool("xdotool", {"windowactivate", "--sync", window});
        runTool("xdotool", {"key", "--clearmodifiers", "alt+F4"});
        ASSERT_TRUE(app.waitForFinished(30000));
    }
    ASSERT_GT(moved.right(), 1000) << "kept partly right of where the narrow monitor ends";
    {
        QProcess app;
        start(app, false);
        const QString window = mainWindowOf(app);
        ASSERT_FALSE(window.isEmpty());
        EXPECT_TRUE(waitUntil([&] { return geometryOf(window) == moved; }, 10))
            << "where it was closed: " << geometryOf(window).x() << "," << geometryOf(window).y() << " for "
            << moved.x() << "," << moved.y();
        terminate(app);
        ASSERT_TRUE(app.waitForFinished(30000));
    }
    // On a monitor narrower than the window (1200 wide) and than where it was kept, it opens whole on
    // that monitor.
    const NarrowMonitor narrow(1000);
    QProcess app;
    start(app, false);
    const QString window = mainWindowOf(app);
    ASSERT_FALSE(window.isEmpty());
    // It is fitted once more when the window manager has framed it, which may come after it maps.
    EXPECT_TRUE(waitUntil(
        [&] {
            const QRect placed = geometryOf(window);
            return placed.left() >= 0 && placed.right() <= 999;
        },
        10))
        << "from " << geometryOf(window).left() << " to " << geometryOf(window).right();
    terminate(app);
    ASSERT_TRUE(app.waitForFinished(30000));
}

TEST_F(ApplicationTest, BehindTheAppLockAnAccountWithoutAPasswordToTypeIsNotShutOut) {
    REQUIRE_DESKTOP_SESSION();
    writeSettings(R"({"onboardingCompleted": true, "appLockEnabled": true})");
    const passwd* user = getpwuid(getuid());
    ASSERT_TRUE(user);
    using State = platform::AccountPassword::State;
    const State account = platform::AccountPassword::of(user->pw_name);
    QProcess app;
    start(app, false);
    if (account == State::locked || account == State::empty) {
        EXPECT_FALSE(mainWindowOf(app).isEmpty()) << "nothing can be typed: the memory opens";
        EXPECT_TRUE(windowOf(app, "^Vesperline$", 1).isEmpty()) << "no password is asked for";
    } else {
        EXPECT_FALSE(windowOf(app, "^Vesperline$").isEmpty()) << "a password can be typed: it is asked for";
        EXPECT_TRUE(windowOf(app, " — Vesperline$", 1).isEmpty());
    }
    terminate(app);
    ASSERT_TRUE(app.waitForFinished(30000));
    EXPECT_EQ(app.exitCode(), 0);
}

TEST_F(ApplicationTest, ALaunchWhileTheOldOneQuitsTakesOverOnceItHasEnded) {
    REQUIRE_DESKTOP_SESSION();
    QProcess old;
    start(old);
    ASSERT_TRUE(waitUntil([&] { return count("SELECT COUNT(*) FROM sqlite_master") > 0; }, 20));
    QProcess relaunch;
    terminate(old);
    start(relaunch);
    ASSERT_TRUE(old.waitForFinished(30000));
    EXPECT_EQ(old.exitCode(), 0);
    // The new one did not hand itself to the quitting one: it runs on.
    EXPECT_FALSE(relaunch.waitForFinished(3000));
    EXPECT_EQ(relaunch.state(), QProcess::Running);
    terminate(relaunch);
    ASSERT_TRUE(relaunch.waitForFinished(30000));
    EXPECT_EQ(relaunch.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(relaunch.exitCode(), 0);
}

TEST_F(ApplicationTest, ALaunchAfterACrashTakesOverTheLeftLockAndSocket) {
    REQUIRE_DESKTOP_SESSION();
    QProcess crashed;
    start(crashed);
    ASSERT_TRUE(waitUntil([&] { return count("SELECT COUNT(*) FROM sqlite_master") > 0; }, 20));
    ::kill(static_cast<pid_t>(crashed.processId()), SIGKILL);
    ASSERT_TRUE(crashed.waitForFinished(10000));
    QProcess next;
    start(next);
    EXPECT_FALSE(next.waitForFinished(3000)) << "it runs rather than asking a dead one to show itself";
    terminate(next);
    ASSERT_TRUE(next.waitForFinished(30000));
    EXPECT_EQ(next.exitCode(), 0);
}

TEST_F(ApplicationTest, ASettingsFileNestedTooDeeplyIsSetAsideAndTheAppRunsOnItsDefaults) {
    REQUIRE_DESKTOP_SESSION();
    // The tour completed, with a value 60,000 levels deep beside it: once the app would read it and
    // then overflow its stack writing it back when the main window closed.
    const QString folderPath = QString::fromStdString((folder.path() / "config" / "Vesperline").string());
    const QByteArray damaged = "{\"onboardingCompleted\": true, \"deep\": " + QByteArray(60'000, '[') +
                               QByteArray(60'000, ']') + "}";
    {
        QFile settings(folderPath + "/settings.json");
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
        settings.write(damaged);
    }
    for (int run = 0; run < 2; ++run) {
        QProcess app;
        start(app);
        ASSERT_TRUE(waitUntil([&] { return count("SELECT COUNT(*) FROM sqlite_master") > 0; }, 20)) << run;
        EXPECT_FALSE(app.waitForFinished(2000)) << "it runs: " << run;
        terminate(app);
        ASSERT_TRUE(app.waitForFinished(30000)) << run;
        EXPECT_EQ(app.exitStatus(), QProcess::NormalExit) << run;
        EXPECT_EQ(app.exitCode(), 0) << run;
    }
    // Set aside once, as it was; what the app keeps now is a file it can read again.
    const QStringList setAside = QDir(folderPath).entryList({"settings-damaged-*.json"}, QDir::Files);
    ASSERT_EQ(setAside.size(), 1);
    QFile kept(folderPath + "/" + setAside.front());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), damaged);
    QFile current(folderPath + "/settings.json");
    EXPECT_TRUE(!current.exists() || current.size() < 4096) << current.size();
}

TEST(ApplicationDesktopFileTest, StartsTheBuiltProgramAndNamesTheIconTheAutostartEntryNamesToo) {
    const std::filesystem::path program = VESPERLINE_APPLICATION;
    const std::filesystem::path file = program.parent_path() / "org.vesperline.Vesperline.desktop";
    const platform::DesktopEntry::Entry entry = platform::DesktopEntry::read(file);
    EXPECT_TRUE(entry.application);
    EXPECT_EQ(entry.name, "Vesperline");
    EXPECT_EQ(entry.icon, "org.vesperline.Vesperline");
    QFile text(QString::fromStdString(file.string()));
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    EXPECT_TRUE(text.readAll().contains(("\nExec=\"" + program.string() + "\"\n").c_str()));
}

TEST_F(ApplicationTest, WithoutADisplayItSaysSoInOneLineAndFails) {
    REQUIRE_DESKTOP_SESSION();
    QProcess app;
    environment.remove("DISPLAY");
    app.setProcessEnvironment(environment);
    app.start(QStringLiteral(VESPERLINE_APPLICATION), {});
    ASSERT_TRUE(app.waitForFinished(20000));
    EXPECT_NE(app.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(app.readAllStandardError()).trimmed(),
              "Vesperline needs an X11 display, and DISPLAY is not set.");
}

} // namespace
} // namespace vesperline::desktoptest
