#pragma once

#include "Platform/PowerSource.h"
#include "Platform/ProcessResources.h"
#include "Runtime/SerialQueue.h"
#include "Runtime/SystemClock.h"
#include "Runtime/TimerSource.h"

#include <functional>
#include <memory>
#include <optional>

class QObject;

namespace vesperline {

class StoreHub;

// Measures what the application itself costs: once a minute, the processor time and energy spent
// since the previous sample are added to today's statistics, and the owner is told. Sampling and
// writing run on the monitor's own queue. Create and destroy it on the main thread.
class ResourceMonitor final {
  public:
    static constexpr double sampleInterval = 60;
    static constexpr double sampleLeeway = 10;

    // Reads the battery's full-charge energy once, here. The hub, sources, clock and timers must
    // outlive the monitor.
    ResourceMonitor(StoreHub& hub, platform::ProcessResources& resources, const platform::PowerSource& power,
                    const ostrel::Clock& clock = systemClock(),
                    TimerSource& timers = TimerSource::standard());
    ~ResourceMonitor();
    ResourceMonitor(const ResourceMonitor&) = delete;
    ResourceMonitor& operator=(const ResourceMonitor&) = delete;

    // Called on the main thread after each write of statistics; read when the call runs.
    std::function<void()> onUpdate;

    // Takes the baseline sample (what was spent before is not today's) and samples every minute
    // from a minute on. Returns at once; call once.
    void start();
    // Waits for a sample in progress, then samples and writes at once: the application calls it
    // when it quits, so the last part of a minute is counted.
    void finalSample();

    // The full-charge energy of the machine's batteries in watt-hours; none without a battery.
    std::optional<double> batteryWh() const { return batteryWh_; }
    // Whether the energy figures are measured or estimated from processor time.
    platform::EnergyMethod energyMethod() const { return resources_.energyMethod(); }

  private:
    // One sample and, when something was spent, one write; on the queue.
    void tick();

    StoreHub& hub_;
    platform::ProcessResources& resources_;
    const ostrel::Clock& clock_;
    TimerSource& timers_;
    const std::optional<double> batteryWh_;
    std::optional<platform::ResourceSample> last_; // on the queue only
    std::unique_ptr<QObject> mainContext_;         // drops `onUpdate` posts once the monitor is gone
    SerialQueue queue_;                            // declared before the timer, which posts to it
    std::unique_ptr<TimerSource::Timer> timer_;
};

} // namespace vesperline
