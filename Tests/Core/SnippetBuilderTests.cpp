#include "Search/SnippetBuilder.h"
#include "Support/Graphemes.h"

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

using Ranges = std::vector<Snippet::Range>;

// 100 words of nine letters and a space; "needle" replaces the letters at `needleAt`.
std::string longLine(std::size_t needleAt) {
    std::string line;
    for (int i = 0; i < 100; ++i) {
        line += "abcdefghi ";
    }
    return line.replace(needleAt, 6, "needle");
}

TEST(SnippetBuilderTest, BuildsSnippetsForEveryCase) {
    const std::string middle = longLine(500);
    const std::string nearEnd = longLine(950);
    const std::string exact180 = std::string(174, 'x') + " total";
    const struct {
        const char* name;
        std::string body;
        std::optional<std::string> title;
        std::optional<std::string> url;
        std::vector<std::string> terms;
        std::int64_t maxLength;
        Snippet expected;
    } cases[] = {
        {"best line", "Invoice 2024\nTotal due: 12", {}, {}, {"total"}, 180, {"Total due: 12", {{0, 5}}}},
        {"longer term claims first",
         "invoice list\nin the invoice",
         {},
         {},
         {"in", "invoice"},
         180,
         {"invoice list", {{0, 7}}}},
        {"more terms win", "one\ntwo one", {}, {}, {"one", "two"}, 180, {"two one", {{0, 3}, {4, 7}}}},
        {"case and accents",
         "x\nT\u00f6tal and TOTAL",
         {},
         {},
         {"TOTAL"},
         180,
         {"T\u00f6tal and TOTAL", {{0, 5}, {10, 15}}}},
        {"title holds it",
         "nothing here",
         "Quarterly Total",
         "https://total.example",
         {"total"},
         180,
         {"Quarterly Total", {{10, 15}}}},
        {"address holds it",
         "nothing here",
         {},
         "https://total.example",
         {"total"},
         180,
         {"https://total.example", {{8, 13}}}},
        {"no match falls back to a long line",
         "ok\r\nHello there",
         "Title",
         {},
         {"zebra"},
         180,
         {"Hello there", {}}},
        {"no match and no text", "", {}, {}, {"zebra"}, 180, {"", {}}},
        {"no line, the title", "abc\n\n", "Title", {}, {"zebra"}, 180, {"Title", {}}},
        {"no terms skip the title", "ok", "Title total", {}, {"", "  "}, 180, {"Title total", {}}},
        {"empty terms only", "Total", "Title total", {}, {""}, 180, {"Total", {}}},
        {"window in the middle",
         middle,
         {},
         {},
         {"needle"},
         180,
         {"\u2026" + middle.substr(450, 169) + "\u2026", {{51, 57}}}},
        {"window at the end",
         nearEnd,
         {},
         {},
         {"needle"},
         180,
         {"\u2026" + nearEnd.substr(830), {{121, 127}}}},
        {"exactly the length", exact180, {}, {}, {"total"}, 180, {exact180, {{175, 180}}}},
        {"characters not bytes",
         "\U0001F1F9\U0001F1F7 Te\u0301tal",
         {},
         {},
         {"tetal"},
         180,
         {"\U0001F1F9\U0001F1F7 Te\u0301tal", {{2, 7}}}},
        {"one character folds to two",
         "Stra\u00dfe 5",
         {},
         {},
         {"strasse"},
         180,
         {"Stra\u00dfe 5", {{0, 6}}}},
        {"Turkish i", "\u0130STANBUL'da", {}, {}, {"istanbul"}, 180, {"\u0130STANBUL'da", {{0, 8}}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SnippetBuilder::build(c.body, c.title, c.url, c.terms, c.maxLength), c.expected) << c.name;
    }
}

TEST(SnippetBuilderTest, FindsEveryOccurrenceWithoutOverlap) {
    EXPECT_EQ(SnippetBuilder::highlightRanges("aaaa", {"aa"}), (Ranges{{0, 2}, {2, 4}}));
    EXPECT_EQ(SnippetBuilder::highlightRanges("invoice in", {"invoice", "in"}), (Ranges{{0, 7}, {8, 10}}));
    EXPECT_EQ(SnippetBuilder::highlightRanges("ab", {"abc", ""}), Ranges{});
    // One character that folds to two letters is highlighted once, whichever term reaches it.
    EXPECT_EQ(SnippetBuilder::highlightRanges("\u00df", {"s"}), (Ranges{{0, 1}}));
    EXPECT_EQ(SnippetBuilder::highlightRanges("Stra\u00dfe \u00df", {"as", "s"}),
              (Ranges{{0, 1}, {3, 5}, {7, 8}}));
    EXPECT_EQ(SnippetBuilder::highlightRanges("\u00df\u00df", {"ss"}), (Ranges{{0, 1}, {1, 2}}));
}

// A cut that starts at a lone mark (after a tab) must not shift the highlights: each one covers
// exactly its word in the text as shown.
TEST(SnippetBuilderTest, CutBeforeALoneMarkKeepsHighlightsOnTheirWords) {
    const std::string line = std::string(100, 'a') + "\t\u0301" + std::string(59, 'b') + "needle" +
                             std::string(100, 'c') + " needle " + std::string(100, 'd');
    const Snippet snippet = SnippetBuilder::build(line, {}, {}, {"needle"}, 180);
    ASSERT_TRUE(snippet.text.starts_with("\u2026b"));
    ASSERT_EQ(snippet.highlights.size(), 2u);
    const std::vector<std::size_t> bounds = Graphemes::boundaries(snippet.text);
    for (const Snippet::Range& range : snippet.highlights) {
        ASSERT_LE(static_cast<std::size_t>(range.upper), bounds.size() - 1);
        EXPECT_EQ(snippet.text.substr(bounds[static_cast<std::size_t>(range.lower)],
                                      bounds[static_cast<std::size_t>(range.upper)] -
                                          bounds[static_cast<std::size_t>(range.lower)]),
                  "needle");
    }
}

TEST(SnippetBuilderTest, WindowClipsHighlightsAtTheCuts) {
    std::vector<std::string> digits;
    for (char c = '0'; c <= '9'; ++c) {
        digits.emplace_back(1, c);
    }
    EXPECT_EQ(SnippetBuilder::window(digits, {{2, 5}, {8, 10}}, 6, 4),
              (Snippet{"\u20265678\u2026", {{4, 5}}}));
    EXPECT_EQ(SnippetBuilder::window(digits, {{0, 3}}, 0, 4), (Snippet{"0123\u2026", {{0, 3}}}));
}

TEST(SnippetBuilderTest, NegativeLengthCountsAsZero) {
    const std::vector<std::string> text{"a", "b", "c"};
    EXPECT_EQ(SnippetBuilder::window(text, {{0, 1}}, 0, -5), SnippetBuilder::window(text, {{0, 1}}, 0, 0));
    EXPECT_EQ(SnippetBuilder::window(text, {{0, 1}}, 2, -5), (Snippet{"\u2026\u2026", {}}));
    EXPECT_EQ(SnippetBuilder::build("abc total", {}, {}, {"total"}, -1).highlights, Ranges{});
}

} // namespace
