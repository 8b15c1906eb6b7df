#pragma once

#include "Support/Time.h"

#include <QDateTime>
#include <QTimeZone>

#include <optional>

// Calendar days in the user's time zone, as the screens that show one day at a time count them.
// Some also come for a given zone, for views that take their zone from a `Format`.
namespace vesperline::LocalDay {

// `time` in the local time zone; none when it has no local date (not finite, or millions of years
// away).
std::optional<QDateTime> dateTime(ostrel::Time time);
std::optional<QDateTime> dateTime(ostrel::Time time, const QTimeZone& zone);

// The first moment of the local day that holds `time` (midnight, or the first moment there is when
// the clocks skip midnight); `time` itself when it has no local date.
ostrel::Time start(ostrel::Time time);
ostrel::Time start(ostrel::Time time, const QTimeZone& zone);

// The first moment of the local day after the one that holds `time`; 86,400 s after `time` when it
// has no local date.
ostrel::Time next(ostrel::Time time);
ostrel::Time next(ostrel::Time time, const QTimeZone& zone);

} // namespace vesperline::LocalDay
