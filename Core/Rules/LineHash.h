#pragma once

#include "Search/TextNormalizer.h"

#include <cstdint>
#include <string_view>

namespace ostrel {

// The identity of a line of window text: lines that differ only in case, diacritics, character width
// or the Turkish forms of i are the same line.
inline std::uint64_t lineHash(std::string_view line) {
    return TextNormalizer::stableHash(TextNormalizer::fold(line));
}

} // namespace ostrel
