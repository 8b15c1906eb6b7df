#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ostrel {

// An excerpt of a moment's text with the half-open character ranges to highlight in it.
struct Snippet {
    struct Range {
        std::int64_t lower = 0;
        std::int64_t upper = 0;
        bool operator==(const Range&) const = default;
    };

    std::string text;
    std::vector<Range> highlights;

    static Snippet empty() { return {}; }
    bool operator==(const Snippet&) const = default;
};

} // namespace ostrel
