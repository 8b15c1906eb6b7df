#include "UI/Shared/DayNavigation.h"

#include "Store/Format.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cmath>

namespace vesperline {

namespace {

qint64 milliseconds(ostrel::Time time) {
    return std::llround(time * 1000.0);
}

ostrel::Time seconds(const QDateTime& moment) {
    return static_cast<double>(moment.toMSecsSinceEpoch()) / 1000.0;
}

} // namespace

DayNavigation::DayNavigation(const Format& format)
    : format_(format), zone_(QByteArray::fromStdString(format.timeZoneID())) {
    if (!zone_.isValid()) {
        zone_ = QTimeZone::systemTimeZone();
    }
}

QDate DayNavigation::calendarDay(ostrel::Time date) const {
    return QDateTime::fromMSecsSinceEpoch(milliseconds(date), zone_).date();
}

ostrel::Time DayNavigation::startOfDay(const QDate& day) const {
    return seconds(day.startOfDay(zone_));
}

ostrel::Time DayNavigation::startOfDay(ostrel::Time date) const {
    return startOfDay(calendarDay(date));
}

bool DayNavigation::isToday(ostrel::Time day, ostrel::Time now) const {
    return calendarDay(day) == calendarDay(now);
}

std::optional<ostrel::Time> DayNavigation::shifted(ostrel::Time day, int days, ostrel::Time now) const {
    const QDateTime bound = QDateTime::fromMSecsSinceEpoch(milliseconds(day), zone_);
    const QDate target = bound.date().addDays(days);
    if (!target.isValid()) {
        return std::nullopt;
    }
    // The day is judged at the bound day's time of day: stepping forward from yesterday afternoon
    // waits until that time today.
    QDateTime atSameTime(target, bound.time(), zone_);
    if (!atSameTime.isValid()) {
        atSameTime = target.startOfDay(zone_); // a time a clock change skips on that day
    }
    if (!atSameTime.isValid() || seconds(atSameTime) > now) {
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
