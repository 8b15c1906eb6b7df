#include "UI/Shared/DayNavigation.h"

#include "Store/Format.h"
#include "UI/Shared/LocalDay.h"

#include <QCoreApplication>
#include <QDateTime>

namespace vesperline {

DayNavigation::DayNavigation(const Format& format)
    : format_(format), zone_(QByteArray::fromStdString(format.timeZoneID())) {
    if (!zone_.isValid()) {
        zone_ = QTimeZone::systemTimeZone();
    }
}

QDate DayNavigation::calendarDay(ostrel::Time date) const {
    const std::optional<QDateTime> local = LocalDay::dateTime(date, zone_);
    return local ? local->date() : QDate();
}

ostrel::Time DayNavigation::startOfDay(const QDate& day) const {
    return static_cast<double>(day.startOfDay(zone_).toMSecsSinceEpoch()) / 1000.0;
}

ostrel::Time DayNavigation::startOfDay(ostrel::Time date) const {
    return LocalDay::start(date, zone_);
}

bool DayNavigation::isToday(ostrel::Time day, ostrel::Time now) const {
    return calendarDay(day) == calendarDay(now);
}

ostrel::Time DayNavigation::nextDay(ostrel::Time day) const {
    return LocalDay::next(day, zone_);
}

std::optional<ostrel::Time> DayNavigation::atClockTime(ostrel::Time day, const QTime& time) const {
    const QDate date = calendarDay(day);
    if (!date.isValid()) {
        return std::nullopt;
    }
    const QDateTime moment(date, time, zone_);
    // A reading the clock skips comes back moved past the change, or invalid.
    if (!moment.isValid() || moment.date() != date || moment.time() != time) {
        return std::nullopt;
    }
    return static_cast<double>(moment.toMSecsSinceEpoch()) / 1000.0;
}

std::optional<ostrel::Time> DayNavigation::shifted(ostrel::Time day, int days, ostrel::Time now) const {
    const std::optional<QDateTime> bound = LocalDay::dateTime(day, zone_);
    const QDate target = bound ? bound->date().addDays(days) : QDate();
    if (!target.isValid()) {
        return std::nullopt;
    }
    // The day is judged at the bound day's time of day: stepping forward from yesterday afternoon
    // waits until that time today.
    QDateTime atSameTime(target, bound->time(), zone_);
    if (!atSameTime.isValid()) {
        atSameTime = target.startOfDay(zone_); // a time a clock change skips on that day
    }
    if (!atSameTime.isValid() || static_cast<double>(atSameTime.toMSecsSinceEpoch()) / 1000.0 > now) {
        return std::nullopt;
    }
    return startOfDay(target);
}

QString DayNavigation::relativeLabel(ostrel::Time day, ostrel::Time now) const {
    const QDate date = calendarDay(day);
    const QDate today = calendarDay(now);
    if (date == today) {
        return QCoreApplication::translate("DayNavigator", "Today");
    }
    if (date == today.addDays(-1)) {
        return QCoreApplication::translate("DayNavigator", "Yesterday");
    }
    return format_.relativeDateTime(day, now);
}

} // namespace vesperline
