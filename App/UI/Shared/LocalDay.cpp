#include "UI/Shared/LocalDay.h"

#include <cmath>

namespace vesperline::LocalDay {

namespace {

// Far beyond any stored date, yet within what milliseconds since 1970 can hold.
constexpr double latestSeconds = 1e14;

std::optional<QDate> localDate(ostrel::Time time) {
    const std::optional<QDateTime> local = dateTime(time);
    return local ? std::optional(local->date()) : std::nullopt;
}

std::optional<ostrel::Time> startOf(const QDate& date) {
    const QDateTime start = date.startOfDay(Qt::LocalTime);
    return start.isValid() ? std::optional(start.toMSecsSinceEpoch() / 1000.0) : std::nullopt;
}

} // namespace

std::optional<QDateTime> dateTime(ostrel::Time time) {
    if (!std::isfinite(time) || std::abs(time) > latestSeconds) {
        return std::nullopt;
    }
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(std::llround(time * 1000), Qt::LocalTime);
    return local.isValid() ? std::optional(local) : std::nullopt;
}

ostrel::Time start(ostrel::Time time) {
    const std::optional<QDate> date = localDate(time);
    return date ? startOf(*date).value_or(time) : time;
}

ostrel::Time next(ostrel::Time time) {
    const std::optional<QDate> date = localDate(time);
    const std::optional<ostrel::Time> start = date ? startOf(date->addDays(1)) : std::nullopt;
    return start.value_or(time + 86400);
}

} // namespace vesperline::LocalDay
