#pragma once

#include "Support/Time.h"

#include <cstdint>
#include <optional>
#include <string>

namespace ostrel {

class MemoryStore;

// How often the user found what they were looking for, in total and in the current month. Finds
// within two minutes of the last counted one are the same find (opening several results of one search).
struct FindCounter {
    std::int64_t total = 0;
    std::string month; // "%04d-%02d" of the month that thisMonth counts
    std::int64_t thisMonth = 0;
    std::optional<Time> lastCounted; // in memory only, never stored

    // A counter with nothing counted in the month of `now` (device's current time zone).
    explicit FindCounter(Time now);

    bool operator==(const FindCounter&) const = default;

    // "%04d-%02d" of the date's Gregorian year and month in the given IANA time zone, or in the device's
    // current time zone when none is given.
    static std::string monthKey(Time date, const std::optional<std::string>& timeZoneID = std::nullopt);

    // Reads the stored counter; stored values that are not integers read as 0, and a month count
    // stored for another month than now's reads as 0.
    static FindCounter load(MemoryStore& store, Time now);
    // Counts a find at `at` unless it follows the last counted one within 120 seconds.
    bool record(Time at);
    // Starts a new month count when `now` lies in another month than `month`.
    void rollMonth(Time now);
    // Writes the three stored values together or not at all.
    void save(MemoryStore& store) const;
};

} // namespace ostrel
