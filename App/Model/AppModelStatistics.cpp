#include "Model/AppModel.h"

#include "Runtime/WhenFinished.h"
#include "Storage/MemoryStore.h"
#include "Store/FutureOutcome.h"

#include <exception>
#include <optional>

namespace vesperline {

void AppModel::refreshStats() {
    ostrel::FindCounter rolled = finds_;
    rolled.rollMonth(services_.clock.now());
    assign(finds_, std::move(rolled), &AppModel::findsChanged);

    StoreHub* hub = hub_.get();
    const ostrel::Time now = services_.clock.now();
    // Each read fails on its own; the damage check still sees every failure.
    QFuture<Figures> figures = hub_->readAsync([hub, now](ostrel::MemoryStore& store) {
        Figures read;
        try {
            const std::string day = ostrel::MemoryStore::dayKey(now);
            const std::vector<ostrel::DayStats> rows = store.stats(day, day);
            if (!rows.empty()) {
                read.today = rows.front();
            }
        } catch (...) {
            hub->reportIfDamaged(std::current_exception());
        }
        try {
            read.storage = store.storageBreakdown();
        } catch (...) {
            hub->reportIfDamaged(std::current_exception());
        }
        try {
            read.pendingOCR = store.queuedOCRCount();
        } catch (...) {
            hub->reportIfDamaged(std::current_exception());
        }
        return read;
    });
    whenFinished(std::move(figures), this, [this](const QFuture<Figures>& done) {
        showFigures(futureOutcome(done, "Reading the statistics").value_or(Figures()));
    });
}

void AppModel::showFigures(const Figures& figures) {
    today_ = figures.today;
    emit todayChanged();
    if (figures.storage) {
        storage_ = *figures.storage;
        emit storageChanged();
    }
    assign(pendingOCR_, figures.pendingOCR, &AppModel::pendingOCRChanged);
}

void AppModel::loadFinds() {
    const ostrel::Time now = services_.clock.now();
    QFuture<ostrel::FindCounter> counter =
        hub_->readAsync([now](ostrel::MemoryStore& store) { return ostrel::FindCounter::load(store, now); });
    whenFinished(std::move(counter), this, [this](const QFuture<ostrel::FindCounter>& done) {
        // A failed read keeps the counter there is.
        if (std::optional<ostrel::FindCounter> loaded = futureOutcome(done, "Reading the find counter")) {
            assign(finds_, std::move(*loaded), &AppModel::findsChanged);
        }
    });
}

void AppModel::recordFind() {
    ostrel::FindCounter next = finds_;
    const bool counted = next.record(services_.clock.now());
    assign(finds_, next, &AppModel::findsChanged);
    if (counted) {
        hub_->write([next](ostrel::MemoryStore& store) { next.save(store); });
    }
}

AIAvailability AppModel::currentAIAvailability() const {
    const std::optional<QString> message = ai_->availabilityMessage();
    return message ? AIAvailability::unavailable(*message) : AIAvailability::available();
}

void AppModel::refreshPermissions() {
    assign(screenPermission_, services_.capture.hasPermission(), &AppModel::screenPermissionChanged);
    assign(accessibilityPermission_, services_.accessibility.isTrusted(),
           &AppModel::accessibilityPermissionChanged);
    assign(aiAvailability_, currentAIAvailability(), &AppModel::aiAvailabilityChanged);
    // A check that finds something new reports it later.
    ai_->refreshAvailability();
}

void AppModel::requestAccessibility() {
    services_.accessibility.requestTrust();
}

void AppModel::scheduleStatsTimer() {
    armWait(statsTimer_, statsInterval, statsLeeway, [this] {
        refreshStats();
        allowBacklog();
        scheduleStatsTimer();
    });
}

void AppModel::scheduleSavedRefresh() {
    if (statsRefreshScheduled_) {
        return;
    }
    statsRefreshScheduled_ = true;
    services_.delays.after(savedRefreshDelay, this, [this] {
        statsRefreshScheduled_ = false;
        refreshStats();
    });
}

} // namespace vesperline
