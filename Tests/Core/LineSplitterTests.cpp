#include "Rules/LineSplitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ostrel {
namespace {

using Lines = std::vector<std::string>;

TEST(LineSplitter, CleansAndDropsLines) {
    const struct {
        const char* name;
        std::string text;
        Lines expected;
    } cases[] = {
        {"worked example",
         "  Hello   World \n\nhello world\n x\n Résumé\tdone ",
         {"Hello World", "Résumé done"}},
        {"empty", "", {}},
        {"only white space and breaks", " \t\n\r\n\u2028 \u00A0\n", {}},
        {"short lines dropped", "a\nb\nab", {"ab"}},
        {"folded repeats dropped, first kept", "Café Menu\nCAFE  MENU\ncafe menu", {"Café Menu"}},
        {"every break character",
         "l1\nl2\u000Bl3\u000Cl4\rl5\r\nl6\u0085l7\u2028l8\u2029l9",
         {"l1", "l2", "l3", "l4", "l5", "l6", "l7", "l8", "l9"}},
        {"unicode spaces collapse", "a\u00A0\u2003\u3000b", {"a b"}},
        {"one character with combining mark is short", "e\u0301\nok", {"ok"}},
        {"two grapheme clusters are enough", "e\u0301e\u0301", {"e\u0301e\u0301"}},
        {"Turkish i forms are one line", "İSTANBUL\nistanbul\nıstanbul", {"İSTANBUL"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LineSplitter::lines(c.text, 40000, 2000), c.expected) << c.name;
    }
}

TEST(LineSplitter, CutsTextBeforeSplittingAndStopsAtTheLineLimit) {
    // 40001 characters: the last one is lost before splitting, cutting the last line short.
    std::string text(39997, 'x');
    text += "\nabc";
    ASSERT_EQ(text.size(), 40001u);
    EXPECT_EQ(LineSplitter::lines(text, 40000, 2000), (Lines{std::string(39997, 'x'), "ab"}));
    // Characters, not bytes: a two-byte letter counts once.
    EXPECT_EQ(LineSplitter::lines("ééé\nxyz", 6, 10), (Lines{"ééé", "xy"}));

    std::string many;
    for (int i = 0; i < 2100; ++i) {
        many += "line " + std::to_string(i) + "\n";
    }
    const Lines limited = LineSplitter::lines(many, 40000, 2000);
    ASSERT_EQ(limited.size(), 2000u);
    EXPECT_EQ(limited.back(), "line 1999");
}

} // namespace
} // namespace ostrel
