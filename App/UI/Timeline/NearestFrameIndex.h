#pragma once

#include "Storage/FrameSummary.h"

#include <vector>

namespace vesperline {

// The position in `frames` (ascending by time) of the moment nearest to `date`; of two equally near
// moments the later one; 0 for fewer than two moments.
int nearestFrameIndex(const std::vector<ostrel::FrameSummary>& frames, ostrel::Time date);

} // namespace vesperline
