#include "Storage/ActivitySpan.h"
#include "Storage/FrameRecord.h"
#include "Storage/FrameSummary.h"
#include "Storage/RelativeRect.h"
#include "Storage/StatsDelta.h"
#include "Storage/StorageBreakdown.h"
#include "Storage/TextSource.h"
#include "Support/Graphemes.h"

#include <gtest/gtest.h>

#include <unordered_set>

using namespace ostrel;

namespace {

TEST(CoreRecordsTest, RawStatesOutsideTheirRangeHaveNoCase) {
    EXPECT_EQ(imageStateFromRaw(1), ImageState::segment);
    EXPECT_EQ(imageStateFromRaw(7), std::nullopt);
    EXPECT_EQ(imageStateFromRaw(-1), std::nullopt);
    EXPECT_EQ(ocrStateFromRaw(3), OCRState::failed);
    EXPECT_EQ(ocrStateFromRaw(9), std::nullopt);
}

TEST(CoreRecordsTest, TextSourceIsABitSet) {
    TextSource both(3);
    EXPECT_TRUE(both.contains(TextSource::accessibility()));
    EXPECT_TRUE(both.contains(TextSource::ocr()));
    EXPECT_EQ((TextSource{TextSource::accessibility(), TextSource::ocr()}), both);
    TextSource set;
    EXPECT_TRUE(set.insert(TextSource::ocr()));
    EXPECT_FALSE(set.insert(TextSource::ocr()));
    EXPECT_TRUE(set.isSubset(both));
    EXPECT_TRUE(set.isDisjoint(TextSource::accessibility()));
    EXPECT_EQ(both.subtracting(set), TextSource::accessibility());
    EXPECT_EQ(both.symmetricDifference(set), TextSource::accessibility());
    EXPECT_TRUE(set.remove(TextSource::ocr()));
    EXPECT_FALSE(set.remove(TextSource::ocr()));
    EXPECT_TRUE(set.isEmpty());
    EXPECT_EQ(TextSource(12).unionWith(TextSource::ocr()).rawValue, 14); // unknown bits kept
}

TEST(CoreRecordsTest, DisplayTitles) {
    struct Case {
        std::optional<std::string> title, app, bundle;
        std::string expected;
    };
    const Case cases[] = {
        {"Report", "Editor", "org.editor", "Report"},
        {"", "", "org.editor", ""}, // an empty app name is still present
        {std::nullopt, std::nullopt, "org.editor", "org.editor"},
        {"", std::nullopt, std::nullopt, ""},
        {std::nullopt, "Editor", "org.editor", "Editor"},
    };
    for (const Case& c : cases) {
        FrameSummary summary;
        summary.windowTitle = c.title;
        summary.appName = c.app;
        summary.appBundleID = c.bundle;
        EXPECT_EQ(summary.displayTitle(), c.expected);
        FrameRecord record;
        record.windowTitle = c.title;
        record.appName = c.app;
        record.appBundleID = c.bundle;
        EXPECT_EQ(record.displayTitle(), c.expected);
    }
}

TEST(CoreRecordsTest, ContextKeys) {
    FrameRecord record;
    record.windowTitle = "Notes";
    EXPECT_EQ(record.contextKey(), std::string("?\x1fNotes"));
    record.appBundleID = "org.editor";
    record.windowTitle = std::nullopt;
    EXPECT_EQ(record.contextKey(), std::string("org.editor\x1f"));
    record.windowTitle = "";
    EXPECT_EQ(record.contextKey(), std::string("org.editor\x1f"));
}

TEST(CoreRecordsTest, IdentityAndEquality) {
    FrameRecord a;
    a.id = 5;
    a.windowTitle = "One";
    FrameRecord b = a;
    b.windowTitle = "Two";
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::hash<FrameRecord>()(a), std::hash<FrameRecord>()(b));
    EXPECT_EQ((std::unordered_set<FrameRecord>{a, b}).size(), 1u);

    FrameSummary s1;
    s1.id = 5;
    s1.segmentIndex = 1;
    FrameSummary s2 = s1;
    s2.segmentIndex = 2;
    EXPECT_NE(s1, s2);
    EXPECT_EQ((std::unordered_set<FrameSummary>{s1, s2}).size(), 2u);

    FrameSummary absent = s1;
    FrameSummary empty = s1;
    empty.url = "";
    EXPECT_NE(absent, empty);
}

TEST(CoreRecordsTest, DerivedMembers) {
    EXPECT_FALSE((RelativeRect{0, 0, 0.05, 0.5}.isUsable()));
    EXPECT_TRUE((RelativeRect{0, 0, 0.0501, 0.5}.isUsable()));
    EXPECT_EQ(RelativeRect::full(), (RelativeRect{0, 0, 1, 1}));

    StatsDelta delta;
    EXPECT_TRUE(delta.isEmpty());
    delta.cpuSeconds = 0.0001;
    EXPECT_FALSE(delta.isEmpty());

    ActivitySpan span;
    span.start = 100;
    span.end = 50;
    EXPECT_EQ(span.duration(), 0);
    span.end = 160;
    EXPECT_EQ(span.duration(), 60);
    span.end = std::nan("");
    EXPECT_EQ(span.duration(), 0);

    StorageBreakdown empty;
    EXPECT_EQ(empty.totalBytes(), 0);
    EXPECT_FALSE(empty.oldest.has_value());
    StorageBreakdown some{100, 1, 3, 1, 50, 10.0};
    EXPECT_EQ(some.totalBytes(), 150);
}

TEST(GraphemesTest, CountsUserPerceivedCharacters) {
    const std::string family = "\U0001F468\u200D\U0001F469\u200D\U0001F467"; // one emoji of five code points
    const std::string text = "e\u0301" + family + "ab";                      // é as e + combining accent
    EXPECT_EQ(Graphemes::count(text), 4u);
    EXPECT_EQ(Graphemes::prefix(text, 2), "e\u0301" + family);
    EXPECT_EQ(Graphemes::suffix(text, 3), family + "ab");
    EXPECT_EQ(Graphemes::suffix(text, 10), text);
    EXPECT_EQ(Graphemes::prefix(text, 0), "");
    EXPECT_EQ(Graphemes::count(""), 0u);
    EXPECT_EQ(Graphemes::boundaries("ab"), (std::vector<std::size_t>{0, 1, 2}));
}

} // namespace
