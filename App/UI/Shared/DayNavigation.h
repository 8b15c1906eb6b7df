#pragma once

#include "Support/Time.h"

#include <QDate>
#include <QString>
#include <QTime>
#include <QTimeZone>

#include <optional>

namespace vesperline {

class Format;

// The calendar rules of choosing a day: days are local calendar days in the time zone of `format`,
// a chosen day is stored as its start, and no day after now can be chosen.
class DayNavigation final {
  public:
    explicit DayNavigation(const Format& format);

    // The first moment of the calendar day of `date`: local midnight, or the moment the day begins
    // where a clock change skips midnight.
    ostrel::Time startOfDay(ostrel::Time date) const;
    ostrel::Time startOfDay(const QDate& day) const;
    QDate calendarDay(ostrel::Time date) const;
    bool isToday(ostrel::Time day, ostrel::Time now) const;
    // The start of the calendar day after the day of `day`; 86,400 s after `day` when it has no
    // local date.
    ostrel::Time nextDay(ostrel::Time day) const;
    // When the local clock reads `time` on the calendar day of `day`; none when that day has no such
    // reading (a clock change skips it) or no local date.
    std::optional<ostrel::Time> atClockTime(ostrel::Time day, const QTime& time) const;

    // The start of the calendar day `days` days after the day of `day`, or none when that day, at
    // `day`'s own time of day, lies after `now`. Calendar days, not 86,400 s, so a step across a
    // clock change still lands on midnight.
    std::optional<ostrel::Time> shifted(ostrel::Time day, int days, ostrel::Time now) const;

    // "Today", "Yesterday", or how long ago the day was in the locale's short words.
    QString relativeLabel(ostrel::Time day, ostrel::Time now) const;

  private:
    const Format& format_;
    QTimeZone zone_;
};

} // namespace vesperline
