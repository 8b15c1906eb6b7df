#include "UI/Shared/HighlightedText.h"
#include "Support/ViewPictures.h"
#include "UI/Theme/Theme.h"

#include <QVBoxLayout>

#include <cmath>

#include <gtest/gtest.h>

using namespace vesperline;
using Range = ostrel::Snippet::Range;

namespace {

QStringList marked(const HighlightedText::Attributed& attributed) {
    QStringList parts;
    for (const QTextLayout::FormatRange& range : attributed.formats) {
        parts.append(attributed.text.mid(range.start, range.length));
    }
    return parts;
}

// A sentence said twelve times: many lines at any usual width.
std::string longExcerpt() {
    std::string text;
    for (int i = 0; i < 12; ++i) {
        text += "invoice 2041 was paid on time ";
    }
    return text;
}

struct MarkCase {
    const char* name;
    std::string text;
    std::vector<Range> highlights;
    QString shown;
    QStringList marked;
};

} // namespace

TEST(HighlightedTextTest, RangesMarkWholeCharactersAndThoseThatDoNotFitAreSkipped) {
    const MarkCase cases[] = {
        {"no highlights", "invoice 2041 is ready", {}, "invoice 2041 is ready", {}},
        {"empty text", "", {{0, 1}, {0, 0}}, "", {}},
        {"plain ranges",
         "invoice 2041 is ready",
         {{0, 7}, {8, 12}},
         "invoice 2041 is ready",
         {"invoice", "2041"}},
        {"past the end is skipped, the rest kept",
         "abc def",
         {{4, 7}, {5, 9}, {0, 1}},
         "abc def",
         {"def", "a"}},
        {"empty range marks nothing", "abc", {{1, 1}}, "abc", {}},
        {"inverted and negative ranges are skipped", "abcdef", {{4, 2}, {-1, 2}, {2, 3}}, "abcdef", {"c"}},
        {"touching and overlapping ranges both apply",
         "abcdef",
         {{0, 2}, {2, 4}, {3, 5}},
         "abcdef",
         {"ab", "cd", "de"}},
        {"emoji ZWJ sequence and skin tone",
         "\U0001F468\u200D\U0001F469\u200D\U0001F467 family \U0001F44D\U0001F3FD ok",
         {{0, 1}, {9, 10}},
         QString::fromUtf8("\U0001F468\u200D\U0001F469\u200D\U0001F467 family \U0001F44D\U0001F3FD ok"),
         {QString::fromUtf8("\U0001F468\u200D\U0001F469\u200D\U0001F467"),
          QString::fromUtf8("\U0001F44D\U0001F3FD")}},
        {"combining accents",
         "cafe\u0301 de\u0301ja\u0300",
         {{3, 4}, {5, 9}},
         QString::fromUtf8("cafe\u0301 de\u0301ja\u0300"),
         {QString::fromUtf8("e\u0301"), QString::fromUtf8("de\u0301ja\u0300")}},
        {"flags",
         "\U0001F1F9\U0001F1F7\U0001F1E9\U0001F1EA flags",
         {{1, 2}, {3, 8}},
         QString::fromUtf8("\U0001F1F9\U0001F1F7\U0001F1E9\U0001F1EA flags"),
         {QString::fromUtf8("\U0001F1E9\U0001F1EA"), "flags"}},
        {"bytes that are not UTF-8 count one character each",
         "\xff\xfe"
         "abc",
         {{2, 3}},
         QString::fromUtf8("\xff\xfe"
                           "abc"),
         {"a"}},
    };
    for (const MarkCase& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        const auto attributed = HighlightedText::attributed({testCase.text, testCase.highlights});
        EXPECT_EQ(attributed.text, testCase.shown);
        EXPECT_EQ(marked(attributed), testCase.marked);
    }
}

TEST(HighlightedTextTest, MarksAreBoldOnSoftAmber) {
    const auto attributed = HighlightedText::attributed({"invoice 2041", {{0, 7}}});
    ASSERT_EQ(attributed.formats.size(), 1);
    const QTextCharFormat& format = attributed.formats.first().format;
    EXPECT_EQ(format.fontWeight(), QFont::Bold);
    QColor amber = Theme::highlight;
    amber.setAlphaF(0.38f);
    EXPECT_EQ(format.background().color(), amber);
}

TEST(HighlightedTextTest, ALineLimitCutsTheTextWithAnEllipsis) {
    const std::string text = longExcerpt();
    HighlightedText view;
    view.setFont(Theme::font(Theme::TextStyle::caption));
    view.setSnippet({text, {{0, 7}}});
    const int line = QFontMetrics(view.font()).lineSpacing();
    const int unlimited = view.heightForWidth(240);
    EXPECT_GT(unlimited, 4 * line);

    view.setMaximumLineCount(2);
    view.resize(240, view.heightForWidth(240));
    EXPECT_LT(view.heightForWidth(240), 3 * line);
    EXPECT_GE(view.heightForWidth(240), 2 * line - 1);
    EXPECT_TRUE(view.elided());

    view.setSnippet({"invoice 2041", {{0, 7}}});
    EXPECT_FALSE(view.elided());
    EXPECT_LT(view.heightForWidth(240), 2 * line);

    view.setSnippet({"", {{0, 3}}});
    EXPECT_FALSE(view.elided());
}

TEST(HighlightedTextTest, TheSizeHintIsTheTextsWidthUpToAComfortableLineAndTheHeightWhereItIsPlaced) {
    const std::string longText = longExcerpt();
    HighlightedText view;
    view.setFont(Theme::font(Theme::TextStyle::caption));
    const QFontMetricsF metrics(view.font());
    const int comfortable = int(std::ceil(metrics.averageCharWidth() * 80));
    const int line = QFontMetrics(view.font()).lineSpacing();

    view.setSnippet({"invoice 2041", {}});
    EXPECT_NEAR(view.sizeHint().width(), metrics.horizontalAdvance("invoice 2041"), 2);
    EXPECT_LT(view.sizeHint().height(), 2 * line);
    view.setSnippet({"invoice 2041", {{0, 7}}});
    EXPECT_GT(view.sizeHint().width(), metrics.horizontalAdvance("invoice 2041") + 1); // the bold mark

    view.setSnippet({longText, {}});
    EXPECT_EQ(view.sizeHint(), QSize(comfortable, view.heightForWidth(comfortable)));

    // Placed narrower, it asks for the height its lines take there; a short text keeps its width.
    view.resize(160, 10);
    EXPECT_EQ(view.sizeHint().height(), view.heightForWidth(160));
    EXPECT_GT(view.sizeHint().height(), view.heightForWidth(comfortable));
    view.setSnippet({"invoice 2041", {}});
    EXPECT_NEAR(view.sizeHint().width(), metrics.horizontalAdvance("invoice 2041"), 2);
}

TEST(HighlightedTextTest, Pictures) {
    EXPECT_TRUE(testsupport::savePictures("highlighted-text", [] {
        auto window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        auto* body = new HighlightedText;
        body->setFont(Theme::font(Theme::TextStyle::body));
        body->setSnippet(
            {"Your invoice 2041 is ready. Pay invoice 2041 by Friday \U0001F468\u200D\U0001F469\u200D"
             "\U0001F467 caf\u00e9 de\u0301ja\u0300 \U0001F1F9\U0001F1F7 done",
             {{5, 12}, {13, 17}, {32, 39}, {40, 44}, {55, 56}, {62, 66}, {67, 68}, {999, 1000}}});
        layout->addWidget(body);
        auto* caption = new HighlightedText;
        caption->setFont(Theme::font(Theme::TextStyle::caption));
        Theme::applyText(caption, Theme::TextStyle::caption, Theme::Level::secondary);
        caption->setMaximumLineCount(2);
        caption->setSnippet(
            {"Meeting notes: the quarterly invoice numbers were checked against the ledger and "
             "invoice 2041 was found twice, once in March and once in April, so the second "
             "entry was removed before the report went out.",
             {{29, 36}, {81, 88}}});
        layout->addWidget(caption);
        window->resize(360, 150);
        return window;
    }));
}
