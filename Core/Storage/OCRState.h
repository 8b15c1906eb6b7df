#pragma once

#include <cstdint>
#include <optional>

namespace ostrel {

// Whether text recognition is still due for a moment.
enum class OCRState : int {
    notNeeded = 0,
    queued = 1,
    done = 2,
    failed = 3,
};

inline std::optional<OCRState> ocrStateFromRaw(std::int64_t raw) {
    if (raw < 0 || raw > 3) {
        return std::nullopt;
    }
    return static_cast<OCRState>(raw);
}

inline int toRaw(OCRState state) {
    return static_cast<int>(state);
}

} // namespace ostrel
