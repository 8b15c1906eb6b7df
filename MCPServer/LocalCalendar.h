#pragma once

#include "Support/Time.h"

#include <memory>
#include <optional>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class Calendar;
class TimeZone;
U_NAMESPACE_END

namespace vesperline::mcp {

// Calendar days of the Gregorian calendar in the process's time zone (TZ).
class LocalCalendar final {
  public:
    LocalCalendar();
    ~LocalCalendar();
    LocalCalendar(const LocalCalendar&) = delete;
    LocalCalendar& operator=(const LocalCalendar&) = delete;

    const icu::TimeZone& zone() const { return *zone_; }
    // The first moment of the local day that holds `time` (later than midnight when the clocks
    // skip midnight that day).
    ostrel::Time startOfDay(ostrel::Time time);
    // The same local time one calendar day later, so a day with a clock change is 23 or 25 hours
    // long; none when the calendar cannot add the day.
    std::optional<ostrel::Time> addingOneDay(ostrel::Time time);

  private:
    std::unique_ptr<icu::TimeZone> zone_;
    std::unique_ptr<icu::Calendar> calendar_;
};

} // namespace vesperline::mcp
