#pragma once

#include "Storage/HashCombine.h"

#include <optional>
#include <string>

namespace ostrel {

// The time of one app within one hour of the day.
struct WorkLogSlice {
    int hour = 0;    // 0 to 23 in the calendar the log was built with
    std::string key; // the app key
    std::string name;
    std::optional<std::string> bundleID;
    double seconds = 0;

    // "9-x.editor": the hour in decimal, a hyphen, the app key.
    std::string id() const { return std::to_string(hour) + "-" + key; }

    bool operator==(const WorkLogSlice&) const = default;
};

} // namespace ostrel

template <> struct std::hash<ostrel::WorkLogSlice> {
    std::size_t operator()(const ostrel::WorkLogSlice& s) const noexcept {
        return ostrel::hashAll(s.hour, s.key, s.name, s.bundleID, s.seconds);
    }
};
