#include "Model/AppModel.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace vesperline {

namespace {

// How long a pause until tomorrow lasts when the calendar cannot tell the next morning.
constexpr double fallbackMorning = 8 * 3600;

} // namespace

ostrel::Time AppModel::pauseEnd(const PauseOption& option, ostrel::Time now, const QTimeZone& zone) {
    switch (option.kind) {
    case PauseOption::Kind::minutes:
        return now + static_cast<double>(option.minutes) * 60;
    case PauseOption::Kind::untilTomorrow: {
        if (!std::isfinite(now)) {
            return now + fallbackMorning;
        }
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(std::llround(now * 1000), zone);
        // The morning's own clock time: the clocks may change overnight, so no fixed number of hours
        // after now or after midnight lands on it.
        const QDateTime morning(local.date().addDays(1), QTime(morningHour, 0), zone);
        if (!local.isValid() || !morning.isValid()) {
            return now + fallbackMorning;
        }
        return static_cast<double>(morning.toMSecsSinceEpoch()) / 1000;
    }
    case PauseOption::Kind::untilResumed:
        return pausedUntilResumed;
    }
    return pausedUntilResumed;
}

bool AppModel::pauseEndsByItself(ostrel::Time until) {
    return std::isfinite(until) && until < pausedUntilResumed;
}

void AppModel::pause(const PauseOption& option) {
    settings_->setPausedUntil(pauseEnd(option, services_.clock.now(), zone_));
    recorder_->setBlock(Recorder::Block::paused, true);
    schedulePauseTimer();
}

void AppModel::resume() {
    settings_->setPausedUntil(std::nullopt);
    pauseTimer_.reset();
    recorder_->setBlock(Recorder::Block::paused, false);
}

void AppModel::schedulePauseTimer() {
    pauseTimer_.reset();
    const std::optional<ostrel::Time> until = settings_->pausedUntil();
    if (!until || !pauseEndsByItself(*until)) {
        return;
    }
    // A wait does not count the time the machine sleeps, so it lasts a day at most and the wall
    // clock decides when it ends; waking up arms it afresh.
    const double wait = std::clamp(*until - services_.clock.now(), 0.0, longestPauseWait);
    armWait(pauseTimer_, wait, 0, [this] { pauseTimerFired(); });
}

void AppModel::pauseTimerFired() {
    const std::optional<ostrel::Time> until = settings_->pausedUntil();
    if (!until || !pauseEndsByItself(*until)) {
        return;
    }
    if (services_.clock.now() >= *until) {
        resume();
    } else {
        schedulePauseTimer();
    }
}

void AppModel::armWait(std::unique_ptr<QObject>& receiver, double seconds, double leeway,
                       std::function<void()> block) {
    receiver = std::make_unique<QObject>();
    services_.delays.afterWithin(seconds, leeway, receiver.get(), [&receiver, block = std::move(block)] {
        // The spent wait's receiver goes once its call is over.
        receiver.release()->deleteLater();
        block();
    });
}

} // namespace vesperline
