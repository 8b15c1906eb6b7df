#include "UI/Timeline/NearestFrameIndex.h"

#include <algorithm>
#include <cmath>

namespace vesperline {

int nearestFrameIndex(const std::vector<ostrel::FrameSummary>& frames, ostrel::Time date) {
    if (frames.size() < 2) {
        return 0;
    }
    // The first moment not earlier than the date, or the last one.
    const auto later = std::lower_bound(
        frames.begin(), frames.end() - 1, date,
        [](const ostrel::FrameSummary& frame, ostrel::Time time) { return frame.timestamp < time; });
    const int lo = static_cast<int>(later - frames.begin());
    if (lo == 0) {
        return 0;
    }
    const double laterDistance = std::abs(frames[lo].timestamp - date);
    const double earlierDistance = std::abs(frames[lo - 1].timestamp - date);
    return laterDistance <= earlierDistance ? lo : lo - 1;
}

} // namespace vesperline
