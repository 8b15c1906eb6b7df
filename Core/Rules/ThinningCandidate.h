#pragma once

#include "Support/Time.h"

#include <cstdint>
#include <string>

namespace ostrel {

// One moment offered to the retention planner.
struct ThinningCandidate {
    std::int64_t id = 0;
    Time timestamp = 0;
    std::string contextKey; // FrameRecord::contextKey
    std::int64_t textChars = 0;

    bool operator==(const ThinningCandidate&) const = default;
};

} // namespace ostrel
