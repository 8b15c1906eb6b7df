#include "Capture/SystemEventsMonitor.h"

#include "Runtime/Log.h"

namespace vesperline {

SystemEventsMonitor::SystemEventsMonitor(platform::SystemEventSource& source)
    : source_(source), self_(std::make_shared<SystemEventsMonitor*>(this)) {}

void SystemEventsMonitor::start() {
    source_.start(
        [weak = std::weak_ptr<SystemEventsMonitor*>(self_)](Event event) {
            const auto monitor = weak.lock();
            if (monitor && (*monitor)->onEvent) {
                (*monitor)->onEvent(event);
            }
        },
        [](const std::string& line) { qCInfo(Log::capture, "%s", line.c_str()); });
}

} // namespace vesperline
