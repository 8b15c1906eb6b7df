#include "Capture/PowerMonitor.h"

#include "Runtime/MainThread.h"

#include <QObject>

namespace vesperline {

PowerMonitor::PowerMonitor(platform::PowerSource& source, Delays& delays)
    : source_(source), delays_(delays), context_(std::make_unique<QObject>()) {}

PowerMonitor::~PowerMonitor() {
    source_.watch({});
}

void PowerMonitor::start() {
    refresh();
    // A notice can come in the middle of other work on the main thread; the read waits its turn.
    source_.watch([this] { MainThread::post(context_.get(), [this] { refresh(); }); });
    schedulePoll();
}

void PowerMonitor::schedulePoll() {
    // Seconds of slack are plenty for a once-a-minute look, and let the system batch wake-ups.
    delays_.afterWithin(pollInterval, pollLeeway, context_.get(), [this] {
        refresh();
        schedulePoll();
    });
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
