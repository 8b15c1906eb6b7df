#pragma once

#include "Rules/ThinningCandidate.h"
#include "Support/Time.h"

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

namespace ostrel::RetentionPlanner {

// The ids of the moments of one segment that keep their pictures: the first moment of every run of one
// window context, every moment with at least `minTextChars` characters of text, and otherwise at most
// one moment per `spacing` seconds counted from the last kept one. Candidates may come in any order.
std::set<std::int64_t> thin(const std::vector<ThinningCandidate>& candidates, std::int64_t minTextChars,
                            double spacing);

// The time `days` whole days before `before`; absent when the step is switched off (days < 1).
std::optional<Time> cutoff(std::int64_t days, Time before);

} // namespace ostrel::RetentionPlanner
