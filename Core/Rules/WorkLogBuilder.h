#pragma once

#include "Rules/WorkLog.h"
#include "Storage/ActivitySpan.h"
#include "Support/Time.h"

#include <unicode/timezone.h>

#include <vector>

namespace ostrel::WorkLogBuilder {

// Cuts the spans (any order, possibly overlapping or reaching outside the day) to the half-open day
// [dayStart, dayEnd) and totals them by app, project and hour of the day in `zone`'s local time.
// Overlapping spans each count in full; gaps count nowhere.
WorkLog build(const std::vector<ActivitySpan>& spans, Time dayStart, Time dayEnd, const icu::TimeZone& zone);

} // namespace ostrel::WorkLogBuilder
