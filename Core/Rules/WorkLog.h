#pragma once

#include "Rules/WorkLogEntry.h"
#include "Rules/WorkLogSlice.h"
#include "Storage/ActivitySpan.h"
#include "Support/Time.h"

#include <optional>
#include <vector>

namespace ostrel {

// A day's active time, totalled by app, project and hour.
struct WorkLog {
    Time dayStart = 0;
    double totalSeconds = 0;
    std::vector<WorkLogEntry> apps;     // most seconds first
    std::vector<WorkLogEntry> projects; // most seconds first
    std::vector<WorkLogSlice> slices;   // by hour, then most seconds first
    std::vector<ActivitySpan> spans;    // cut to the day, by start
    std::optional<Time> firstActivity;
    std::optional<Time> lastActivity;

    // The log of a day without activity.
    static WorkLog empty(Time dayStart) {
        WorkLog log;
        log.dayStart = dayStart;
        return log;
    }
};

} // namespace ostrel
