#include "UnicodeText.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdint>

namespace vesperline::mcp::UnicodeText {

namespace {

// Drops leading and trailing code points that `strip` accepts. Ill-formed bytes are never stripped.
template <typename Predicate> std::string_view trimming(std::string_view text, Predicate strip) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    std::int64_t begin = 0;
    std::int64_t end = static_cast<std::int64_t>(text.size());
    while (begin < end) {
        std::int64_t next = begin;
        UChar32 c;
        U8_NEXT(bytes, next, end, c);
        if (c < 0 || !strip(c)) {
            break;
        }
        begin = next;
    }
    while (end > begin) {
        // The last code point starts at the last byte that is not a continuation byte.
        std::int64_t previous = end - 1;
        while (previous > begin && end - previous < 4 && U8_IS_TRAIL(bytes[previous])) {
            --previous;
        }
        std::int64_t next = previous;
        UChar32 c;
        U8_NEXT(bytes, next, end, c);
        if (c < 0 || next != end || !strip(c)) {
            break;
        }
        end = previous;
    }
    return text.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
}

} // namespace

std::string replacingInvalidUTF8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const std::int64_t length = static_cast<std::int64_t>(text.size());
    std::string repaired;
    std::int64_t copied = 0; // bytes of `text` already in `repaired`
    std::int64_t offset = 0;
    while (offset < length) {
        const std::int64_t start = offset;
        UChar32 c;
        U8_NEXT(bytes, offset, length, c);
        if (c < 0) {
            // U8_NEXT skipped the maximal ill-formed subpart: it becomes one U+FFFD.
            repaired.append(text.substr(copied, start - copied));
            repaired.append("\xEF\xBF\xBD");
            copied = offset;
        }
    }
    if (copied == 0) {
        return std::string(text);
    }
    repaired.append(text.substr(copied));
    return repaired;
}

std::string_view trimmingWhitespaceAndNewlines(std::string_view text) {
    return trimming(text, [](UChar32 c) { return u_isUWhiteSpace(c) != 0; });
}

std::string_view trimmingHorizontalWhitespace(std::string_view text) {
    return trimming(text, [](UChar32 c) { return u_isblank(c) != 0; });
}

bool canonicallyEqual(std::string_view first, std::string_view second) {
    if (first == second) {
        return true;
    }
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) {
        return false;
    }
    const auto normalized = [&](std::string_view text) {
        return nfc->normalize(
            icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size()))),
            status);
    };
    const icu::UnicodeString a = normalized(first);
    const icu::UnicodeString b = normalized(second);
    return U_SUCCESS(status) && a == b;
}

} // namespace vesperline::mcp::UnicodeText
