#include "Search/TextNormalizer.h"
#include "Support/Graphemes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ostrel;

namespace {

struct FoldCase {
    const char* text;
    const char* folded;
};

// The index and the FTS 'delete' command both depend on these exact bytes.
const FoldCase foldCases[] = {
    {"", ""},
    {"Hello, World", "hello, world"},
    {"\u0130", "i"},
    {"I", "i"},
    {"\u0131", "i"},
    {"I\u0307", "i"},
    {"\u00c7ALI\u015eMA", "calisma"},
    {"\u0130STANBUL", "istanbul"},
    {"\u0131stanbul", "istanbul"},
    {"ISTANBUL", "istanbul"},
    {"caf\u00e9 na\u00efve \u00fc\u015f", "cafe naive us"},
    {"cafe\u0301", "cafe"},
    {"Stra\u00dfe", "strasse"},
    {"\uff21\uff22\uff23 \uff11\uff12", "abc 12"},        // full-width letters and digits
    {"\uff76\uff9e", "\u30ab"},                           // half-width ka + voiced mark: mark goes
    {"\ufb01le", "file"},                                 // ligature case-folds to its letters
    {"line 1\nLine 2\r\n\t x", "line 1\nline 2\r\n\t x"}, // nothing trimmed or collapsed
    {"\u0391\u0398\u0389\u039d\u0391", "\u03b1\u03b8\u03b7\u03bd\u03b1"}, // Greek, accent dropped
    {"\ud55c\uad6d\uc5b4", "\ud55c\uad6d\uc5b4"},                         // Hangul syllables recompose
    {"\u2764\ufe0f 42\u00a0\u20ac", "\u2764\ufe0f 42\u00a0\u20ac"}, // emoji selector, no-break space kept
};

TEST(TextNormalizerTest, FoldsEveryCase) {
    for (const FoldCase& c : foldCases) {
        EXPECT_EQ(TextNormalizer::fold(c.text), c.folded) << "text: " << c.text;
    }
}

TEST(TextNormalizerTest, FoldingTwiceChangesNothing) {
    for (const FoldCase& c : foldCases) {
        EXPECT_EQ(TextNormalizer::fold(c.folded), c.folded) << "text: " << c.folded;
    }
}

TEST(TextNormalizerTest, FoldsSingleCharacters) {
    const FoldCase cases[] = {
        {"7", "7"},       {"\u00c9", "e"}, {"\u0130", "i"}, {"I", "i"},     {"\u0131", "i"},  {"i", "i"},
        {"I\u0307", "i"}, {"Q", "q"},      {"-", "-"},      {"\u0301", ""}, {"\u00df", "ss"}, {"\uff21", "a"},
    };
    for (const FoldCase& c : cases) {
        EXPECT_EQ(TextNormalizer::foldCharacter(c.text), c.folded) << "character: " << c.text;
    }
}

// Snippet highlighting maps folded characters back to the text, so folding a text must give what
// folding each of its characters gives.
TEST(TextNormalizerTest, FoldingByCharacterMatchesFoldingTheText) {
    for (const FoldCase& c : foldCases) {
        const std::string text = c.text;
        const std::vector<std::size_t> bounds = Graphemes::boundaries(text);
        std::string joined;
        for (std::size_t i = 0; i + 1 < bounds.size(); ++i) {
            joined += TextNormalizer::foldCharacter(text.substr(bounds[i], bounds[i + 1] - bounds[i]));
        }
        EXPECT_EQ(joined, TextNormalizer::fold(text)) << "text: " << text;
    }
}

TEST(TextNormalizerTest, CutsFoldedWords) {
    const struct {
        const char* text;
        std::vector<std::string> words;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"--", {}},
        {"Foo-Bar_42 \u00c7AY!", {"foo", "bar", "42", "cay"}},
        {"e-mail", {"e", "mail"}},
        {"  \u0130zmir\n\u00bdkg ", {"izmir", "\u00bdkg"}},
        {"\u201cquoted\u201d", {"quoted"}},
        {"\u65e5\u672c\u8a9e text", {"\u65e5\u672c\u8a9e", "text"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextNormalizer::words(c.text), c.words) << "text: " << c.text;
    }
}

TEST(TextNormalizerTest, HashesBytesWithFNV1a) {
    EXPECT_EQ(TextNormalizer::stableHash(""), 0xcbf29ce484222325ULL);
    EXPECT_EQ(TextNormalizer::stableHash("a"), 0xaf63dc4c8601ec8cULL);
    // Not folded: the bytes as given.
    EXPECT_EQ(TextNormalizer::stableHash("\u0130stanbul"), 0xbdda57a45a7597d0ULL);
    EXPECT_NE(TextNormalizer::stableHash("A"), TextNormalizer::stableHash("a"));
}

} // namespace
