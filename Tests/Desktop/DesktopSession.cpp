#include "DesktopSession.h"

#include "Platform/Linux/X11WindowServer.h"
#include "Rules/FrameMasker.h"

#include <cstdlib>

namespace vesperline::desktoptest {

bool inDesktopSession() {
    return qEnvironmentVariableIsSet("VESPERLINE_DESKTOP_SESSION");
}

FixtureApp::FixtureApp(const QProcessEnvironment& extra) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(extra);
    process_.setProcessEnvironment(environment);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral(VESPERLINE_DESKTOP_FIXTURE), {});
    started_ = process_.waitForStarted(10000) && waitForLine(QStringLiteral("ready"));
}

FixtureApp::~FixtureApp() {
    if (process_.state() != QProcess::NotRunning) {
        process_.write("quit\n");
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
}

bool FixtureApp::waitForLine(const QString& line) {
    return waitUntil([&] {
        while (process_.canReadLine()) {
            if (QString::fromUtf8(process_.readLine()).trimmed() == line) {
                return true;
            }
        }
        process_.waitForReadyRead(20);
        return false;
    });
}

bool FixtureApp::focus(const QString& field) {
    process_.write(("focus " + field + "\n").toUtf8());
    return waitForLine("focused " + field);
}

bool FixtureApp::swatch(int x, int y, int width, int height, const QString& colour) {
    process_.write(
        QStringLiteral("swatch %1 %2 %3 %4 %5\n").arg(x).arg(y).arg(width).arg(height).arg(colour).toUtf8());
    return waitForLine(QStringLiteral("swatched"));
}

bool FixtureApp::canvas(int x, int y, int width, int height, const QString& word, const QString& title) {
    process_.write(QStringLiteral("canvas %1 %2 %3 %4 %5 %6\n")
                       .arg(x)
                       .arg(y)
                       .arg(width)
                       .arg(height)
                       .arg(word, title)
                       .toUtf8());
    return waitForLine(QStringLiteral("painted"));
}

InstalledProgram::InstalledProgram(const QString& program, const QStringList& arguments) {
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    process_.start(program, arguments);
    started_ = process_.waitForStarted(10000);
}

InstalledProgram::~InstalledProgram() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
}

QProcessEnvironment launchedAs(const QString& id) {
    QProcessEnvironment environment;
    environment.insert("GIO_LAUNCHED_DESKTOP_FILE", "/usr/share/applications/" + id + ".desktop");
    environment.insert("VESPERLINE_FIXTURE_CANVAS_ONLY", "1");
    return environment;
}

QString runTool(const QString& program, const QStringList& arguments) {
    QProcess tool;
    tool.start(program, arguments);
    tool.waitForFinished(10000);
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

std::optional<ostrel::Rect> frameOfWindow(const std::string& title) {
    auto x11 = platform::X11Connection::open();
    for (const platform::WindowServerWindow& window : platform::X11WindowServer(x11).onScreenWindows()) {
        if (window.title == title) {
            return window.frame;
        }
    }
    return std::nullopt;
}

bool isBlankAt(const ostrel::BGRAImage& picture, double x, double y) {
    // The session's screen is 1920 points wide; a stored picture may be narrower.
    const double scale = picture.width / 1920.0;
    const int column = static_cast<int>(x * scale);
    const int row = static_cast<int>(y * scale);
    if (column < 0 || row < 0 || column >= picture.width || row >= picture.height) {
        return false;
    }
    const std::uint8_t* pixel = picture.row(row) + 4 * column;
    for (int channel = 0; channel < 3; ++channel) {
        if (std::abs(int(pixel[channel]) - int(ostrel::FrameMasker::fillPixel[channel])) > 12) {
            return false;
        }
    }
    return true;
}

bool isBlankAt(const ostrel::BGRAImage& picture, const ostrel::Rect& frame) {
    return isBlankAt(picture, frame.x + frame.width / 2, frame.y + frame.height / 2);
}

} // namespace vesperline::desktoptest
