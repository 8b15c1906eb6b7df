#include "UI/Resources/ResourcesController.h"

#include "Capture/ResourceMonitor.h"
#include "Model/AppSettings.h"
#include "Runtime/WhenFinished.h"
#include "Store/FutureOutcome.h"
#include "Store/StoreHub.h"
#include "UI/Shared/LocalDay.h"

namespace vesperline {

namespace {

constexpr double secondsPerHour = 3600;

// `now` moved back by six days in the local calendar; `now` itself when the calendar has no such day.
ostrel::Time sixDaysBefore(ostrel::Time now) {
    const std::optional<QDateTime> local = LocalDay::dateTime(now);
    const QDateTime start = local ? local->addDays(-6) : QDateTime();
    return start.isValid() ? start.toMSecsSinceEpoch() / 1000.0 : now;
}

// Sets `field` to `value`; whether that changed it.
template <typename T> bool assign(T& field, const T& value) {
    if (field == value) {
        return false;
    }
    field = value;
    return true;
}

} // namespace

ResourcesController::ResourcesController(StoreHub& hub, const AppSettings& settings,
                                         const ResourceMonitor& resources, platform::FileViewer& fileViewer,
                                         ModelActions actions, const Format& format,
                                         const ostrel::Clock& clock, QObject* parent)
    : QObject(parent), hub_(hub), settings_(settings), resources_(resources), fileViewer_(fileViewer),
      actions_(std::move(actions)), format_(format), clock_(clock) {
    connect(&settings, &AppSettings::diskCapGBChanged, this, &ResourcesController::changed);
}

// ---- The model's figures ----------------------------------------------------------------------------

void ResourcesController::setToday(const std::optional<ostrel::DayStats>& today) {
    if (assign(today_, today)) {
        emit changed();
    }
}

void ResourcesController::setStorage(const ostrel::StorageBreakdown& storage) {
    if (assign(storage_, storage)) {
        emit changed();
    }
}

void ResourcesController::setPendingOCR(std::int64_t count) {
    if (assign(pendingOCR_, count)) {
        emit changed();
    }
}

void ResourcesController::setPowerSnapshot(const ostrel::PowerSnapshot& snapshot) {
    if (assign(power_, snapshot)) {
        emit changed();
    }
}

void ResourcesController::setPolicy(const ostrel::CapturePolicy& policy) {
    if (assign(policy_, policy)) {
        emit changed();
    }
}

void ResourcesController::setMaintenanceRunning(bool running) {
    if (assign(maintenanceRunning_, running)) {
        emit changed();
    }
}

std::int64_t ResourcesController::diskCapGB() const {
    return settings_.diskCapGB();
}

// ---- The week ---------------------------------------------------------------------------------------

void ResourcesController::setShown(bool shown) {
    if (shown_ == shown) {
        return;
    }
    shown_ = shown;
    ++generation_; // a load under way no longer counts
    if (shown) {
        load();
    }
}

void ResourcesController::load() {
    if (actions_.refreshStats) {
        actions_.refreshStats();
    }
    const ostrel::Time now = clock_.now();
    const std::string from = ostrel::MemoryStore::dayKey(sixDaysBefore(now));
    const std::string to = ostrel::MemoryStore::dayKey(now);
    const std::uint64_t generation = generation_;
    whenFinished(
        hub_.readAsync([from, to](ostrel::MemoryStore& store) { return store.stats(from, to); }), this,
        [this, generation](QFuture<std::vector<ostrel::DayStats>> answer) {
            if (generation != generation_) {
                return;
            }
            // A failed read shows as an empty week.
            week_ = futureOutcome(answer, "Week statistics read").value_or(std::vector<ostrel::DayStats>{});
            emit weekChanged();
        });
}

// ---- What the screen shows --------------------------------------------------------------------------

std::array<ResourcesTexts::StatCard, 4> ResourcesController::statCards() const {
    const ostrel::Time now = clock_.now();
    return {ResourcesTexts::battery(today_, resources_.batteryWh(), format_),
            ResourcesTexts::processor(today_, now - LocalDay::start(now), format_),
            ResourcesTexts::disk(storage_, diskCapGB(), format_), ResourcesTexts::moments(today_, format_)};
}

QString ResourcesController::summary() const {
    return ResourcesTexts::summary(today_, resources_.batteryWh(), storage_, format_);
}

QString ResourcesController::footnote() const {
    return ResourcesTexts::footnote(resources_.energyMethod(), format_);
}

std::vector<ResourcesController::EnergyBar> ResourcesController::energyBars() const {
    std::vector<EnergyBar> bars;
    bars.reserve(week_.size());
    for (const ostrel::DayStats& day : week_) {
        // Each day takes the hue of its place in the week; a day key is there once.
        bars.push_back({ResourcesTexts::dayLabel(day.day, format_), day.energyJoules / secondsPerHour,
                        static_cast<int>(bars.size() % 6)});
    }
    return bars;
}

QStringList ResourcesController::energySavingLines() const {
    return ResourcesTexts::energySavingLines(power_, policy_, format_);
}

QString ResourcesController::storageUsage() const {
    return ResourcesTexts::storageUsage(storage_, diskCapGB(), format_);
}

QString ResourcesController::storageCounts() const {
    return ResourcesTexts::storageCounts(storage_, format_);
}

QString ResourcesController::videoSize() const {
    return format_.bytes(storage_.segmentBytes);
}

QString ResourcesController::textSize() const {
    return format_.bytes(storage_.databaseBytes);
}

std::optional<QString> ResourcesController::oldestMemory() const {
    return ResourcesTexts::oldestMemory(storage_, format_);
}

std::optional<QString> ResourcesController::ocrBacklog() const {
    return ResourcesTexts::ocrBacklog(pendingOCR_, format_);
}

// ---- What the user does -----------------------------------------------------------------------------

void ResourcesController::showDataFolder() {
    fileViewer_.showFolder(hub_.dataDirectory());
}

void ResourcesController::tidyUp() {
    if (maintenanceRunning_ || !actions_.runMaintenance) {
        return;
    }
    actions_.runMaintenance();
}

} // namespace vesperline
