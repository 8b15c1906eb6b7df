#include "Search/TextNormalizer.h"

#include "Support/Graphemes.h"

#include <stdexcept>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>
#include <unicode/uversion.h>

namespace ostrel::TextNormalizer {
namespace {

constexpr UChar32 capitalIWithDot = 0x0130;
constexpr UChar32 smallDotlessI = 0x0131;

bool isASCII(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

std::string lowercasedASCII(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return result;
}

struct Normalizers {
    const icu::Normalizer2* nfd;
    const icu::Normalizer2* nfc;
    const icu::Normalizer2* nfkd;
};

// ICU hands out shared, immutable instances; looking them up once keeps the hot path short.
const Normalizers& normalizers() {
    static const Normalizers instances = [] {
        UErrorCode status = U_ZERO_ERROR;
        Normalizers made{icu::Normalizer2::getNFDInstance(status), icu::Normalizer2::getNFCInstance(status),
                         icu::Normalizer2::getNFKDInstance(status)};
        if (U_FAILURE(status)) {
            throw std::runtime_error("ICU normalization data unavailable");
        }
        return made;
    }();
    return instances;
}

bool isWidthForm(UChar32 c) {
    const int type = u_getIntPropertyValue(c, UCHAR_DECOMPOSITION_TYPE);
    return type == U_DT_WIDE || type == U_DT_NARROW;
}

// Combining marks without width are diacritics; variation selectors are too, but dropping them
// would change how emoji look, not what they mean.
bool isDroppedMark(UChar32 c) {
    return u_charType(c) == U_NON_SPACING_MARK && !u_hasBinaryProperty(c, UCHAR_VARIATION_SELECTOR);
}

bool extendsCharacter(UChar32 c) {
    const int kind = u_getIntPropertyValue(c, UCHAR_GRAPHEME_CLUSTER_BREAK);
    return kind == U_GCB_EXTEND || kind == U_GCB_ZWJ || kind == U_GCB_SPACING_MARK;
}

void requireSuccess(UErrorCode status) {
    if (U_FAILURE(status)) {
        throw std::runtime_error(std::string("ICU folding failed: ") + u_errorName(status));
    }
}

// Full case folding, canonical decomposition without the nonspacing marks, then recomposition.
// `widthMapped` has already had its full-width and half-width forms replaced.
std::string caseAndDiacriticFold(icu::UnicodeString widthMapped) {
    const Normalizers& n = normalizers();
    widthMapped.foldCase(U_FOLD_CASE_DEFAULT);
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString decomposed = n.nfd->normalize(widthMapped, status);
    requireSuccess(status);
    icu::UnicodeString bare;
    for (int32_t i = 0; i < decomposed.length();) {
        const UChar32 c = decomposed.char32At(i);
        if (!isDroppedMark(c)) {
            bare.append(c);
        }
        i += U16_LENGTH(c);
    }
    const icu::UnicodeString composed = n.nfc->normalize(bare, status);
    requireSuccess(status);
    std::string result;
    composed.toUTF8String(result);
    return result;
}

void appendWidthMapped(icu::UnicodeString& out, UChar32 c) {
    icu::UnicodeString ordinary;
    if (isWidthForm(c) && normalizers().nfkd->getRawDecomposition(c, ordinary)) {
        out.append(ordinary);
    } else {
        out.append(c);
    }
}

std::string foldNonASCII(std::string_view text) {
    const icu::UnicodeString source =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    icu::UnicodeString mapped;
    for (int32_t i = 0; i < source.length();) {
        const UChar32 c = source.char32At(i);
        i += U16_LENGTH(c);
        // A dotless i that carries marks is another character; İ and I reach i anyway once the marks go.
        const bool isTurkishI =
            c == capitalIWithDot || c == 'I' ||
            (c == smallDotlessI && (i >= source.length() || !extendsCharacter(source.char32At(i))));
        if (isTurkishI) {
            mapped.append(static_cast<UChar32>('i'));
        } else {
            appendWidthMapped(mapped, c);
        }
    }
    return caseAndDiacriticFold(std::move(mapped));
}

UChar32 firstScalar(std::string_view character) {
    int32_t offset = 0;
    UChar32 c = 0;
    U8_NEXT(character.data(), offset, static_cast<int32_t>(character.size()), c);
    return c;
}

bool isLetterOrNumber(UChar32 c) {
    return c >= 0 && (u_hasBinaryProperty(c, UCHAR_ALPHABETIC) ||
                      u_getIntPropertyValue(c, UCHAR_NUMERIC_TYPE) != U_NT_NONE);
}

// The index's tokenizer (unicode61) knows the character classes of Unicode 6.1. It keeps private-use
// characters inside words by default, and every code point its tables do not know as well. Ill-formed
// bytes count too: ICU reads them as U+FFFD, at which `words` cuts.
bool isKeptByIndex(UChar32 c) {
    if (c < 0) {
        return true;
    }
    const int8_t type = u_charType(c);
    if (type == U_UNASSIGNED || type == U_PRIVATE_USE_CHAR) {
        return true;
    }
    UVersionInfo age;
    u_charAge(c, age);
    return age[0] > 6 || (age[0] == 6 && age[1] >= 2);
}

} // namespace

std::string fold(std::string_view text) {
    if (isASCII(text)) {
        return lowercasedASCII(text);
    }
    return foldNonASCII(text);
}

// The i-forms map per character in `fold` already, so one character folds exactly as a text of one.
std::string foldCharacter(std::string_view character) {
    return fold(character);
}

std::vector<std::string> words(std::string_view text) {
    const std::string folded = fold(text);
    std::vector<std::string> result;
    std::string current;
    const auto visit = [&](std::string_view character, bool isWordCharacter) {
        if (isWordCharacter) {
            current.append(character);
        } else if (!current.empty()) {
            result.push_back(std::move(current));
            current.clear();
        }
    };
    if (isASCII(folded)) {
        for (std::size_t i = 0; i < folded.size(); ++i) {
            visit(std::string_view(folded).substr(i, 1), isLetterOrNumber(folded[i]));
        }
    } else {
        const std::vector<std::size_t> bounds = Graphemes::boundaries(folded);
        for (std::size_t i = 0; i + 1 < bounds.size(); ++i) {
            const std::string_view character =
                std::string_view(folded).substr(bounds[i], bounds[i + 1] - bounds[i]);
            visit(character, isLetterOrNumber(firstScalar(character)));
        }
    }
    visit({}, false);
    return result;
}

bool hasGlyphsTheIndexKeeps(std::string_view text) {
    const auto length = static_cast<int32_t>(text.size());
    for (int32_t offset = 0; offset < length;) {
        if (static_cast<unsigned char>(text[static_cast<std::size_t>(offset)]) < 0x80) {
            ++offset;
            continue;
        }
        UChar32 c = 0;
        U8_NEXT(text.data(), offset, length, c);
        if (isKeptByIndex(c)) {
            return true;
        }
    }
    return false;
}

// `words` judges a whole character by its first scalar, so a separator character goes as a whole,
// with any marks it carries.
std::string indexForm(std::string_view text) {
    std::string folded = fold(text);
    if (!hasGlyphsTheIndexKeeps(folded)) {
        return folded;
    }
    const std::vector<std::size_t> bounds = Graphemes::boundaries(folded);
    std::string result;
    result.reserve(folded.size());
    for (std::size_t i = 0; i + 1 < bounds.size(); ++i) {
        const std::string_view character =
            std::string_view(folded).substr(bounds[i], bounds[i + 1] - bounds[i]);
        if (!isLetterOrNumber(firstScalar(character)) && hasGlyphsTheIndexKeeps(character)) {
            result += ' ';
        } else {
            result.append(character);
        }
    }
    return result;
}

std::uint64_t stableHash(std::string_view text) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

} // namespace ostrel::TextNormalizer
