#pragma once

#include "Support/BGRAImage.h"
#include "Support/Rect.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace vesperline::desktoptest {

// Whether this process runs inside scripts/desktop-session.
bool inDesktopSession();

// The desktop tests run inside scripts/desktop-session (scripts/test puts them there); run alone,
// outside of it, they are skipped with a note.
#define REQUIRE_DESKTOP_SESSION()                                                                            \
    if (!::vesperline::desktoptest::inDesktopSession()) {                                                    \
        GTEST_SKIP() << "needs the desktop session: scripts/desktop-session ctest -L desktop";               \
    }

// The fixture application of Tests/Desktop/Fixture, started for one test and closed after it.
class FixtureApp {
  public:
    // Starts it with these extra environment variables and waits until its windows are shown.
    explicit FixtureApp(const QProcessEnvironment& extra = {});
    ~FixtureApp();
    FixtureApp(const FixtureApp&) = delete;
    FixtureApp& operator=(const FixtureApp&) = delete;

    bool started() const { return started_; }
    std::int32_t pid() const { return static_cast<std::int32_t>(process_.processId()); }
    // Sends "focus <field>" and waits for the fixture to confirm it.
    bool focus(const QString& field);
    // Shows the one-colour window "Fixture Swatch" with its client area at this rectangle.
    bool swatch(int x, int y, int width, int height, const QString& colour);
    // Shows a window titled `title` with `word` painted on it, its client area at this rectangle.
    bool canvas(int x, int y, int width, int height, const QString& word, const QString& title);

  private:
    bool waitForLine(const QString& line);

    QProcess process_;
    bool started_ = false;
};

// A program installed on the machine (xterm, mousepad), started for one test and ended after it.
class InstalledProgram {
  public:
    InstalledProgram(const QString& program, const QStringList& arguments);
    ~InstalledProgram();
    InstalledProgram(const InstalledProgram&) = delete;
    InstalledProgram& operator=(const InstalledProgram&) = delete;

    bool started() const { return started_; }
    std::int32_t pid() const { return static_cast<std::int32_t>(process_.processId()); }

  private:
    QProcess process_;
    bool started_ = false;
};

// The environment of a fixture started as another application, showing no window until asked for a
// canvas: `id` is the desktop file its launcher names.
QProcessEnvironment launchedAs(const QString& id);

// Spins the event loop until `condition` holds or `seconds` pass; returns whether it held.
template <typename Condition> bool waitUntil(Condition condition, double seconds = 10);

// Runs `command` (e.g. xdotool) and waits for it; returns its standard output.
QString runTool(const QString& program, const QStringList& arguments);

// The frame, decorations included, of the shown window with this title, from the window manager.
std::optional<ostrel::Rect> frameOfWindow(const std::string& title);

// Whether the picture of the screen is the blank of a hidden window at this point of the screen (in
// its own coordinates), within what the lossy video changes.
bool isBlankAt(const ostrel::BGRAImage& picture, double x, double y);
// The same, in the middle of `frame`.
bool isBlankAt(const ostrel::BGRAImage& picture, const ostrel::Rect& frame);

} // namespace vesperline::desktoptest

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

template <typename Condition> bool vesperline::desktoptest::waitUntil(Condition condition, double seconds) {
    QDeadlineTimer deadline(static_cast<qint64>(seconds * 1000));
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return true;
}
