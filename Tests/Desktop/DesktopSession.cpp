#include "DesktopSession.h"

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

} // namespace vesperline::desktoptest
