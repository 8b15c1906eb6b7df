#pragma once

#include "Storage/HashCombine.h"
#include "Support/Time.h"

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

namespace ostrel {

// A stretch of active time in one app, window and project.
struct ActivitySpan {
    std::int64_t id = 0;
    Time start = 0;
    Time end = 0;
    std::optional<std::string> appBundleID;
    std::optional<std::string> appName;
    std::optional<std::string> project;
    std::optional<std::string> windowTitle;

    // Seconds from start to end; 0 when that is negative or not a number.
    double duration() const {
        const double seconds = end - start;
        return std::isnan(seconds) || seconds < 0 ? 0 : seconds;
    }

    bool operator==(const ActivitySpan&) const = default;
};

} // namespace ostrel

template <> struct std::hash<ostrel::ActivitySpan> {
    std::size_t operator()(const ostrel::ActivitySpan& s) const noexcept {
        return ostrel::hashAll(s.id, s.start, s.end, s.appBundleID, s.appName, s.project, s.windowTitle);
    }
};
