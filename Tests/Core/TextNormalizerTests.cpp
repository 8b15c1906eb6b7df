#include "Search/TextNormalizer.h"
#include "Storage/DatabaseSchema.h"
#include "Storage/SQLiteDatabase.h"
#include "Support/Graphemes.h"

#include <gtest/gtest.h>

#include <string>
#include <unicode/uchar.h>
#include <unicode/utf8.h>
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

TEST(TextNormalizerTest, IndexFormCutsWordsAtGlyphs) {
    const FoldCase cases[] = {
        {"Hello, World", "hello, world"},
        {"\uE0A0main branch", " main branch"},           // private-use glyph of a prompt
        {"\uF007Profile settings", " profile settings"}, // icon-font glyph
        {"combin\U0001FA51", "combin "},                 // symbol newer than the tokenizer
        {"ok\U0001F44D\U0001F3FDyes", "ok yes"},         // an old emoji with a newer modifier: one character
        {"5\u20BA fiyat", "5  fiyat"},                   // newer currency sign
        {"\u2022 \u00C7ay \u2026", "\u2022 cay \u2026"}, // separators the tokenizer knows stay
        {"\u1E9E", "ss"},                                // a newer capital letter is a letter
        {"\U000F0001x", " x"},                           // supplementary private use
    };
    for (const FoldCase& c : cases) {
        EXPECT_EQ(TextNormalizer::indexForm(c.text), c.folded) << "text: " << c.text;
    }
}

std::string utf8(UChar32 c) {
    char bytes[4];
    int32_t length = 0;
    [[maybe_unused]] UBool error = false;
    U8_APPEND(bytes, length, 4, c, error);
    return std::string(bytes, static_cast<std::size_t>(length));
}

// For every code point, the index's tokenizer must cut the index form of "x<c>x" into the same tokens
// as it cuts the words the query takes from it; and folding must never bring in a glyph the index keeps,
// which is what lets the migration look only at texts that hold one. Planes 4 to 13 are unassigned
// throughout, so a sample of them stands for the rest. A prepended mark (U+0600) takes the next letter
// into its character, and `words` drops both; the index keeps that letter, so the word is still found
// when typed without the mark.
TEST(TextNormalizerTest, IndexAndQueryCutWordsAlikeForEveryCodePoint) {
    std::string indexed;
    std::string queried;
    for (UChar32 c = 0x80; c <= 0x10FFFF; c += (c >= 0x40000 && c < 0xE0000) ? 257 : 1) {
        if (U_IS_SURROGATE(c) || u_getIntPropertyValue(c, UCHAR_GRAPHEME_CLUSTER_BREAK) == U_GCB_PREPEND) {
            continue;
        }
        const std::string text = "x" + utf8(c) + "x";
        indexed += TextNormalizer::indexForm(text) + " ";
        for (const std::string& word : TextNormalizer::words(text)) {
            queried += word + " ";
        }
        if (!TextNormalizer::hasGlyphsTheIndexKeeps(utf8(c))) {
            ASSERT_FALSE(TextNormalizer::hasGlyphsTheIndexKeeps(TextNormalizer::fold(utf8(c))))
                << std::hex << "U+" << c;
        }
    }
    SQLiteDatabase db(":memory:", false);
    db.execute(DatabaseSchema::fullTextStatement(SQLiteDatabase::libraryVersion()));
    db.execute("CREATE VIRTUAL TABLE temp.tokens USING fts5vocab(main, frame_fts, 'instance');");
    db.run("INSERT INTO frame_fts (rowid, body) VALUES (1, ?), (2, ?)",
           {SQLValue::text(indexed), SQLValue::text(queried)});
    const auto tokens = [&](std::int64_t row) {
        return db.query("SELECT term FROM temp.tokens WHERE doc = ? ORDER BY offset",
                        {SQLValue::integer(row)}, false, [](const SQLRow& r) { return *r.text(0); });
    };
    const std::vector<std::string> fromIndex = tokens(1);
    const std::vector<std::string> fromQuery = tokens(2);
    ASSERT_EQ(fromIndex.size(), fromQuery.size());
    for (std::size_t i = 0; i < fromIndex.size(); ++i) {
        ASSERT_EQ(fromIndex[i], fromQuery[i]) << "token " << i;
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
