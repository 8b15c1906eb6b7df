#pragma once

#include "Support/Time.h"

#include <cstdint>
#include <string>

namespace ostrel {

// A stored video segment.
struct SegmentRecord {
    std::int64_t id = 0;
    std::string path;
    std::uint32_t displayID = 0;
    Time start = 0;
    Time end = 0;
    std::int64_t frameCount = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t bytes = 0;
    std::int64_t tier = 0;
    bool closed = true;
};

} // namespace ostrel
