#pragma once

#include "Support/Time.h"

#include <cstdint>
#include <optional>

namespace ostrel {

// What the memory takes on disk.
struct StorageBreakdown {
    std::int64_t segmentBytes = 0;
    std::int64_t segmentCount = 0;
    std::int64_t frameCount = 0;
    std::int64_t textOnlyCount = 0;
    std::int64_t databaseBytes = 0;
    std::optional<Time> oldest;

    std::int64_t totalBytes() const { return segmentBytes + databaseBytes; }

    bool operator==(const StorageBreakdown&) const = default;
};

} // namespace ostrel
