#pragma once

#include <cstdint>

namespace ostrel {

// An increment of the day's statistics.
struct StatsDelta {
    std::int64_t framesSaved = 0;
    std::int64_t framesSkipped = 0;
    std::int64_t ocrRuns = 0;
    double cpuSeconds = 0;
    double energyJoules = 0;
    std::int64_t bytesWritten = 0;

    // An empty increment is not written.
    bool isEmpty() const {
        return framesSaved == 0 && framesSkipped == 0 && ocrRuns == 0 && cpuSeconds == 0 &&
               energyJoules == 0 && bytesWritten == 0;
    }
};

} // namespace ostrel
