#include "Support/Whitespace.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace ostrel::Whitespace {

bool isWhitespace(char32_t scalar) {
    return u_isUWhiteSpace(static_cast<UChar32>(scalar));
}

bool startsWithWhitespace(std::string_view character) {
    if (character.empty()) {
        return false;
    }
    int32_t offset = 0;
    UChar32 scalar = 0;
    U8_NEXT(character.data(), offset, static_cast<int32_t>(character.size()), scalar);
    return scalar >= 0 && isWhitespace(static_cast<char32_t>(scalar));
}

std::string_view trimmed(std::string_view text, const std::function<bool(char32_t)>& drop) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    int32_t start = 0;
    while (start < length) {
        int32_t next = start;
        UChar32 scalar = 0;
        U8_NEXT(bytes, next, length, scalar);
        if (scalar < 0 || !drop(static_cast<char32_t>(scalar))) {
            break;
        }
        start = next;
    }
    int32_t end = length;
    while (end > start) {
        int32_t previous = end;
        UChar32 scalar = 0;
        U8_PREV(bytes, start, previous, scalar);
        if (scalar < 0 || !drop(static_cast<char32_t>(scalar))) {
            break;
        }
        end = previous;
    }
    return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

std::string_view trimmed(std::string_view text) {
    return trimmed(text, isWhitespace);
}

} // namespace ostrel::Whitespace
