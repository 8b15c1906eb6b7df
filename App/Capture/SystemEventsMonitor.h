#pragma once

#include "Platform/SystemEventSource.h"

#include <functional>
#include <memory>

namespace vesperline {

// Turns the session's notifications (sleep, wake, display sleep, session switch, lock, screen saver)
// into one callback, on the main thread, in the order they arrive. Starting waits for no service;
// services the session lacks are logged once, when that is known, and otherwise ignored.
class SystemEventsMonitor {
  public:
    using Event = platform::SystemEvent;

    explicit SystemEventsMonitor(platform::SystemEventSource& source);
    SystemEventsMonitor(const SystemEventsMonitor&) = delete;
    SystemEventsMonitor& operator=(const SystemEventsMonitor&) = delete;

    // Set by the owner.
    std::function<void(Event)> onEvent;

    void start();

  private:
    platform::SystemEventSource& source_;
    // The source's handler holds this weakly, so it does nothing once the monitor is gone.
    std::shared_ptr<SystemEventsMonitor*> self_;
};

} // namespace vesperline
