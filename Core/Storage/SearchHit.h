#pragma once

#include "Storage/FrameSummary.h"
#include "Storage/Snippet.h"

#include <cstdint>

namespace ostrel {

// One group of matching moments, represented by one of them.
struct SearchHit {
    FrameSummary frame;
    Snippet snippet;
    std::int64_t matchCount = 0;
    double score = 0;
};

} // namespace ostrel
