#pragma once

#include "Platform/PowerSource.h"
#include "Rules/PowerSnapshot.h"
#include "Runtime/Delays.h"

#include <functional>
#include <memory>

class QObject;

namespace vesperline {

// Keeps the machine's current power state and tells its owner when it changes. The state is read
// again on every change notice of the power source and, because not every change sends one (battery
// charge, temperature), once a minute. Lives on the main thread: create, start and destroy it there.
class PowerMonitor final {
  public:
    static constexpr double pollInterval = 60;
    static constexpr double pollLeeway = 10;

    // The source and the delays must outlive the monitor.
    explicit PowerMonitor(platform::PowerSource& source, Delays& delays = systemDelays());
    ~PowerMonitor();
    PowerMonitor(const PowerMonitor&) = delete;
    PowerMonitor& operator=(const PowerMonitor&) = delete;

    // Called on the main thread with every new state; set before `start`.
    std::function<void(const ostrel::PowerSnapshot&)> onChange;

    // Reads the state (a state unlike the initial one is a change), then follows the source. Once.
    void start();
    // Reads the state; calls `onChange` only when it differs from the last one.
    void refresh();
    // The last state read: not on battery, charge unknown, no power saving, nominal temperature
    // before the first read.
    const ostrel::PowerSnapshot& snapshot() const { return snapshot_; }

  private:
    void schedulePoll();

    platform::PowerSource& source_;
    Delays& delays_;
    ostrel::PowerSnapshot snapshot_;
    // Stands for the monitor in posted refreshes and polls, so none runs once the monitor is gone.
    std::unique_ptr<QObject> context_;
};

} // namespace vesperline
