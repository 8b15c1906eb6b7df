#pragma once

#include <cstdint>
#include <optional>

namespace ostrel {

// Where a moment's picture is.
enum class ImageState : int {
    reserved = 0, // default of a frame row; never inserted by the capture pipeline
    segment = 1,  // frame `segmentIndex` of segment `segmentID`
    dropped = 2,  // removed by thinning or rewriting
    none = 3,     // no picture
};

inline std::optional<ImageState> imageStateFromRaw(std::int64_t raw) {
    if (raw < 0 || raw > 3) {
        return std::nullopt;
    }
    return static_cast<ImageState>(raw);
}

inline int toRaw(ImageState state) {
    return static_cast<int>(state);
}

} // namespace ostrel
