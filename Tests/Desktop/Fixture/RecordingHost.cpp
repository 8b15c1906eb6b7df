// The recorder as a process of its own, on the real Linux layer, for the tests and measurements that
// must end it from outside (a kill) or watch its processor time:
//   RecordingHost <data folder>
// It prints "recording" once it runs and "saved <moment id>" for every stored moment. SIGTERM and
// SIGINT end it the way the application ends: open segments finished, counts written.
#include "DesktopRecorder.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2];

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

void say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: RecordingHost <data folder>\n", stderr);
        return 2;
    }
    QCoreApplication app(argc, argv);
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        return 1;
    }
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);

    vesperline::desktoptest::DesktopRecorder recording(argv[1]);
    QSocketNotifier termination(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&termination, &QSocketNotifier::activated, &app, [&] {
        recording.recorder().shutdown();
        app.quit();
    });
    vesperline::Recorder::Events events;
    events.status = [](const vesperline::RecorderStatus& status) {
        if (status == vesperline::RecorderStatus::recording(false)) {
            say("recording");
        }
    };
    events.saved = [](const ostrel::FrameSummary& summary, const std::optional<std::string>&) {
        say("saved " + std::to_string(summary.id));
    };
    recording.start(vesperline::RecorderConfig{}, events);
    return app.exec();
}
