#include "UI/Shared/LocalDay.h"

#include <cmath>

namespace vesperline::LocalDay {

namespace {

// Far beyond any stored date, yet within what milliseconds since 1970 can hold.
constexpr double latestSeconds = 1e14;

// `Zone` is Qt::TimeSpec (the local time) or a QTimeZone: Qt takes either where a zone is asked for.
template <typename Zone> std::optional<QDateTime> dateTimeIn(ostrel::Time time, const Zone& zone) {
    if (!std::isfinite(time) || std::abs(time) > latestSeconds) {
        return std::nullopt;
    }
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(std::llround(time * 1000), zone);
    return local.isValid() ? std::optional(local) : std::nullopt;
}

template <typename Zone> std::optional<ostrel::Time> startOf(const QDate& date, const Zone& zone) {
    const QDateTime start = date.startOfDay(zone);
    return start.isValid() ? std::optional(start.toMSecsSinceEpoch() / 1000.0) : std::nullopt;
}

template <typename Zone> ostrel::Time startIn(ostrel::Time time, const Zone& zone) {
    const std::optional<QDateTime> local = dateTimeIn(time, zone);
    return local ? startOf(local->date(), zone).value_or(time) : time;
}

template <typename Zone> ostrel::Time nextIn(ostrel::Time time, const Zone& zone) {
    const std::optional<QDateTime> local = dateTimeIn(time, zone);
    const std::optional<ostrel::Time> start = local ? startOf(local->date().addDays(1), zone) : std::nullopt;
    return start.value_or(time + 86400);
}

} // namespace

std::optional<QDateTime> dateTime(ostrel::Time time) {
    return dateTimeIn(time, Qt::LocalTime);
}

std::optional<QDateTime> dateTime(ostrel::Time time, const QTimeZone& zone) {
    return dateTimeIn(time, zone);
}

ostrel::Time start(ostrel::Time time) {
    return startIn(time, Qt::LocalTime);
}

ostrel::Time start(ostrel::Time time, const QTimeZone& zone) {
    return startIn(time, zone);
}

ostrel::Time next(ostrel::Time time) {
    return nextIn(time, Qt::LocalTime);
}

ostrel::Time next(ostrel::Time time, const QTimeZone& zone) {
    return nextIn(time, zone);
}

} // namespace vesperline::LocalDay
