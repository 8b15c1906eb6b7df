#pragma once

#include <cstdint>
#include <string>

namespace ostrel {

// One local day's statistics totals.
struct DayStats {
    std::string day; // "%04d-%02d-%02d"
    std::int64_t framesSaved = 0;
    std::int64_t framesSkipped = 0;
    std::int64_t ocrRuns = 0;
    double cpuSeconds = 0;
    double energyJoules = 0;
    std::int64_t bytesWritten = 0;

    bool operator==(const DayStats&) const = default;
};

} // namespace ostrel
