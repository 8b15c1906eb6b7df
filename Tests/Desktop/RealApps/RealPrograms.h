#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <memory>
#include <vector>

namespace vesperline::desktoptest {

// Programs of the desktop, started as a user starts them (a browser without any accessibility flag)
// but each with a fresh profile under `home`, with nothing that reaches beyond the loopback network:
// no first-run pages, updates, telemetry or background fetches, and every other address sent to a
// proxy that does not exist. Each program ends with this object.
class RealPrograms {
  public:
    explicit RealPrograms(std::filesystem::path home);
    ~RealPrograms();
    RealPrograms(const RealPrograms&) = delete;
    RealPrograms& operator=(const RealPrograms&) = delete;

    // Whether every program the tests drive is installed (scripts/install-deps installs them).
    static QStringList missing();

    // Firefox ESR showing `url`; once it runs, later calls open `url` in a new window of it (a private
    // window when `privateWindow`).
    void firefox(const QString& url, bool privateWindow = false);
    void chromium(const QString& url);
    void mousepad(const std::filesystem::path& file);
    // An xterm titled `title` at this place, in characters and points.
    void xterm(const QString& title, int columns, int rows, int x, int y);

  private:
    void start(const QString& program, const QStringList& arguments);

    std::filesystem::path home_;
    std::filesystem::path firefoxProfile_;
    bool firefoxRunning_ = false;
    std::vector<std::unique_ptr<QProcess>> processes_;
};

// The X window with exactly this title once it is shown (waits up to `seconds`), or 0.
unsigned long windowNamed(const QString& title, double seconds = 30);
// Moves and sizes a window (its client area) and brings it to the front with the keyboard focus.
void placeInFront(unsigned long window, int x, int y, int width, int height);
void bringToFront(unsigned long window);

} // namespace vesperline::desktoptest
