#pragma once

#include <chrono>
#include <ctime>
#include <optional>
#include <string>

namespace ostrel {

// A point in time as seconds since 1970-01-01 00:00:00 UTC, the form the database stores.
using Time = double;

// Where logic takes "now" and "uptime" from, so it can be tested without sleeping.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual Time now() const = 0;
    // Seconds since an arbitrary fixed point that never jumps (monotonic).
    virtual double uptime() const = 0;
};

class SystemClock final : public Clock {
  public:
    Time now() const override {
        return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    }
    double uptime() const override {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }
};

// The current wall-clock time.
inline Time currentTime() {
    return SystemClock().now();
}

// "2025-03-01T08:15:30Z": ISO 8601 internet date-time with seconds, in UTC.
std::string iso8601UTC(Time time);

// The calendar fields of `time` in the local time zone as it is now. The zone is looked up again on
// every call (the C library otherwise keeps the one the process started in), so a change of the
// system's zone reaches day keys and dates without a restart. None when the time has no local date.
std::optional<std::tm> localFields(Time time);

// Makes the C library look up the local time zone again, for code that asks it (or SQLite's
// 'localtime') directly.
void refreshLocalTimeZone();

} // namespace ostrel
