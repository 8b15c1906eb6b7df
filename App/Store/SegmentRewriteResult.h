#pragma once

#include <cstdint>
#include <map>

namespace vesperline {

// What a copy of some frames of one segment file into a new file wrote.
struct SegmentRewriteResult {
    // Old frame index to new frame index, for exactly the frames written.
    std::map<std::int64_t, std::int64_t> mapping;
    std::int64_t frameCount = 0;
    std::int64_t bytes = 0; // 0 when no file remains
    std::int64_t width = 0;
    std::int64_t height = 0;
};

} // namespace vesperline
