#include "Capture/PowerMonitor.h"

#include "Runtime/MainThread.h"

#include <QObject>

namespace vesperline {

PowerMonitor::PowerMonitor(platform::PowerSource& source)
    : source_(source), context_(std::make_unique<QObject>()) {
    // Whole seconds of slack are plenty for a once-a-minute look, and let the system batch wake-ups.
    poll_.setTimerType(Qt::VeryCoarseTimer);
    poll_.setInterval(pollIntervalMilliseconds);
    QObject::connect(&poll_, &QTimer::timeout, context_.get(), [this] { refresh(); });
}

PowerMonitor::~PowerMonitor() {
    source_.watch({});
}

void PowerMonitor::start() {
    refresh();
    // A notice can come in the middle of other work on the main thread; the read waits its turn.
    source_.watch([this] { MainThread::post(context_.get(), [this] { refresh(); }); });
    poll_.start();
}

void PowerMonitor::refresh() {
    const ostrel::PowerSnapshot next = source_.read();
    if (next == snapshot_) {
        return;
    }
    snapshot_ = next;
    if (onChange) {
        onChange(snapshot_);
    }
}

} // namespace vesperline
