#include "Capture/ResourceMonitor.h"

#include "Runtime/MainThread.h"
#include "Store/StoreHub.h"

#include <QObject>

#include <cmath>

namespace vesperline {

namespace {

// What was spent between two counts; a count that went back, or no number, counts nothing.
double spent(double before, double after) {
    const double difference = after - before;
    return std::isnan(difference) || difference < 0 ? 0 : difference;
}

} // namespace

ResourceMonitor::ResourceMonitor(StoreHub& hub, platform::ProcessResources& resources,
                                 const platform::PowerSource& power, const ostrel::Clock& clock,
                                 TimerSource& timers)
    : hub_(hub), resources_(resources), clock_(clock), timers_(timers),
      batteryWh_(power.batteryCapacityWattHours()), mainContext_(std::make_unique<QObject>()),
      queue_(".resources", QThread::LowPriority) {}

ResourceMonitor::~ResourceMonitor() {
    // The timer is made on the queue, so it is dropped there too.
    queue_.sync([this] { timer_.reset(); });
}

void ResourceMonitor::start() {
    queue_.async([this] {
        last_ = resources_.sample();
        timer_ = timers_.schedule(queue_, sampleInterval, sampleInterval, sampleLeeway, [this] { tick(); });
    });
}

void ResourceMonitor::finalSample() {
    queue_.sync([this] { tick(); });
}

void ResourceMonitor::tick() {
    const std::optional<platform::ResourceSample> sample = resources_.sample();
    if (!sample) {
        return; // the next good sample is compared with the last good one, so nothing is lost
    }
    if (last_) {
        ostrel::StatsDelta delta;
        delta.cpuSeconds = spent(last_->cpuSeconds, sample->cpuSeconds);
        delta.energyJoules = spent(last_->energyJoules, sample->energyJoules);
        if (!delta.isEmpty()) {
            try {
                hub_.sync([&](ostrel::MemoryStore& store) {
                    store.addStats(ostrel::MemoryStore::dayKey(clock_.now()), delta);
                });
            } catch (...) {
                // The hub has looked for damage; a lost minute of statistics is not worth more.
            }
            MainThread::post(mainContext_.get(), [this] {
                if (onUpdate) {
                    onUpdate();
                }
            });
        }
    }
    last_ = sample;
}

} // namespace vesperline
