#pragma once

#include "Support/Time.h"

#include <cstdint>
#include <string>

namespace ostrel {

// A video segment file as it is opened or inserted.
struct NewSegment {
    std::string path; // relative to the frames folder
    std::uint32_t displayID = 0;
    Time start = 0;
    Time end = 0;
    std::int64_t frameCount = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t bytes = 0;
};

} // namespace ostrel
