#include "Support/Moment.h"
#include "TestStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using ostrel::FrameSummary;
using ostrel::ImageState;
using ostrel::OCRState;
using ostrel::SQLValue;
using Text = std::optional<std::string>;

class MemoryStoreReading : public testsupport::TestStore {
  protected:
    std::int64_t add(double ts, Text bundle, Text title, std::vector<std::string> lines = {},
                     std::uint32_t display = 1, Text name = std::nullopt, Text url = std::nullopt) {
        return store->insertFrame(testsupport::Moment(ts, display)
                                      .app(std::move(bundle), std::move(name))
                                      .title(std::move(title))
                                      .url(std::move(url))
                                      .lines(std::move(lines)));
    }

    std::int64_t addInSegment(double ts, std::int64_t segment, std::int64_t index, OCRState ocr) {
        return store->insertFrame(testsupport::Moment(ts, 0).inSegment(segment, index).ocr(ocr));
    }

    std::int64_t closedSegment(const std::string& path, double start, double end, std::int64_t tier = 0) {
        const auto id = store->openSegment(path, 1, start, 100, 50);
        store->closeSegment(id, end, 2, 4096);
        if (tier > 0) {
            store->db().run("UPDATE segments SET tier = ? WHERE id = ?",
                            {SQLValue::integer(tier), SQLValue::integer(id)});
        }
        return id;
    }

    template <typename Rows> static std::vector<double> times(const Rows& rows) {
        std::vector<double> result;
        for (const auto& row : rows) {
            result.push_back(row.timestamp);
        }
        return result;
    }
};

TEST_F(MemoryStoreReading, RangesAreHalfOpenAndLimited) {
    for (double ts : {100.0, 110.0, 120.0, 130.0}) {
        add(ts, "a", "t");
    }
    EXPECT_EQ(times(store->frames(100, 130, 10, false)), (std::vector<double>{100, 110, 120}));
    EXPECT_EQ(times(store->frames(100, 131, 2, true)), (std::vector<double>{130, 120}));
    EXPECT_TRUE(store->frames(110, 110, 10, false).empty());
    EXPECT_EQ(store->latestFrame()->timestamp, 130);
}

TEST_F(MemoryStoreReading, MomentsAreReadByIdWithTheirText) {
    const auto id = add(100, "a", "t", {"one", "two"}, 1, "App");
    const auto record = store->frame(id);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->appName, "App");
    EXPECT_EQ(record->segmentPath, std::nullopt) << "a moment without a segment row is still read";
    EXPECT_EQ(store->text(id), "one\ntwo");
    EXPECT_EQ(store->frame(id + 1), std::nullopt);
    EXPECT_EQ(store->text(id + 1), std::nullopt);
    EXPECT_EQ(store->latestFrame()->id, id);
}

TEST_F(MemoryStoreReading, NeighbourIsTheNearestMomentAndTiesGoEarlier) {
    EXPECT_EQ(store->neighbourFrame(100), std::nullopt);
    add(100, "a", "t", {}, 1);
    add(110, "a", "t", {}, 2);
    const struct {
        double time;
        double expected;
    } cases[] = {{50, 100}, {100, 100}, {105, 100}, {106, 110}, {110, 110}, {500, 110}};
    for (const auto& c : cases) {
        EXPECT_EQ(store->neighbourFrame(c.time)->timestamp, c.expected) << c.time;
    }
}

TEST_F(MemoryStoreReading, ContextTextJoinsTheWindowUpToTheMoment) {
    add(50, "x.app", "Doc", {"too old"});
    add(120, "x.app", "Doc", {"first"});
    add(130, "x.app", "Doc", {});
    add(140, "x.app", "Doc", {"other display"}, 2);
    add(150, "x.app", "Other", {"other title"});
    add(160, std::nullopt, "Doc", {"no app"});
    const auto moment = add(200, "x.app", "Doc", {"second", "third"});
    add(210, "x.app", "Doc", {"after"});
    const auto noApp = add(220, std::nullopt, "Doc", {"no app again"});

    EXPECT_EQ(store->contextText(moment, 20000, 100), "first\nsecond\nthird");
    EXPECT_EQ(store->contextText(moment, 5, 100), "third");
    EXPECT_EQ(store->contextText(noApp, 20000, 900), "no app\nno app again");
    EXPECT_EQ(store->contextText(noApp + 1, 20000, 900), "");
}

TEST_F(MemoryStoreReading, ContextTextKeepsTheLastCharactersWhole) {
    const auto moment = add(100, "a", "t", {"abc", "e\u0301te\u0301"});
    EXPECT_EQ(store->contextText(moment, 3, 10), "e\u0301te\u0301") << "three characters, five code points";
    EXPECT_EQ(store->contextText(moment, 0, 10), "");
}

TEST_F(MemoryStoreReading, RecentContextsGroupByAppAndTitle) {
    add(90, "x.app", "Old", {"before since"});
    add(100, "x.app", "Notes", {"a"}, 1, "App", "https://a.example");
    add(110, "x.app", "Notes", {"b"}, 2, "App", "https://b.example");
    add(120, "y.app", "Notes", {" \n\t "}, 1, "Other");
    add(130, std::nullopt, std::nullopt, {std::string(1201, 'z')});

    const auto contexts = store->recentContexts(100, 15, 1200);
    ASSERT_EQ(contexts.size(), 3u);
    EXPECT_EQ(contexts[0].appBundleID, std::nullopt);
    EXPECT_EQ(contexts[0].windowTitle, std::nullopt);
    EXPECT_EQ(contexts[0].text, std::string(1200, 'z') + "\u2026");
    EXPECT_EQ(contexts[1].appBundleID, "y.app");
    EXPECT_EQ(contexts[1].text, "") << "white space only";
    EXPECT_EQ(contexts[2].appName, "App");
    EXPECT_EQ(contexts[2].frameCount, 2) << "one window on two displays is one context";
    EXPECT_EQ(contexts[2].start, 100);
    EXPECT_EQ(contexts[2].end, 110);
    EXPECT_EQ(contexts[2].url, "https://b.example");
    EXPECT_TRUE(contexts[2].text == "a\nb" || contexts[2].text == "b\na") << contexts[2].text;
    EXPECT_EQ(store->recentContexts(100, 1, 1200).size(), 1u);
    EXPECT_EQ(store->recentContexts(130, 15, 1201)[0].text, std::string(1201, 'z'));
}

TEST_F(MemoryStoreReading, AppCountsAndTopTitles) {
    add(100, "x.app", "One", {}, 1, "X");
    add(101, "x.app", "One", {}, 1, "X");
    add(102, "x.app", "", {}, 1, "X");
    add(103, "y.app", "Two", {});
    add(104, std::nullopt, "Three", {}, 1, "Nameless");
    add(105, std::nullopt, std::nullopt, {});
    add(200, "x.app", "One", {}, 1, "X");

    EXPECT_EQ(store->appCounts(100, 200),
              (std::vector<ostrel::AppCount>{{"x.app", "X", 3}, {"y.app", "y.app", 1}}));
    const auto titles = store->topTitles(100, 200, 40);
    ASSERT_EQ(titles.size(), 3u) << "null and empty titles are left out";
    EXPECT_EQ(titles[0], (ostrel::MemoryStore::TitleCount{"X", "One", 2}));
    const std::set<std::pair<std::string, std::string>> rest = {{titles[1].appLabel, titles[1].title},
                                                                {titles[2].appLabel, titles[2].title}};
    EXPECT_EQ(rest, (std::set<std::pair<std::string, std::string>>{{"y.app", "Two"}, {"Nameless", "Three"}}));
    EXPECT_EQ(store->topTitles(100, 200, 1).size(), 1u);
}

TEST_F(MemoryStoreReading, DaysAreLocalDatesNewestFirst) {
    ::setenv("TZ", "Europe/Istanbul", 1);
    ::tzset();
    add(1773181800, "a", "t"); // 2026-03-10 22:30 UTC, after midnight in Istanbul
    add(1773100000, "a", "t"); // 2026-03-09 23:46 UTC
    add(1773101000, "a", "t");
    EXPECT_EQ(store->days(10), (std::vector<std::string>{"2026-03-11", "2026-03-10"}));
    EXPECT_EQ(store->days(1), (std::vector<std::string>{"2026-03-11"}));
    // After a change of time zone in the running program.
    ::setenv("TZ", "UTC", 1);
    EXPECT_EQ(store->days(10), (std::vector<std::string>{"2026-03-10", "2026-03-09"}));
    ::setenv("TZ", "Europe/Istanbul", 1);
    ::tzset();
}

TEST_F(MemoryStoreReading, OCRBacklogWaitsForOpenSegments) {
    const auto open = store->openSegment("segments/open.mp4", 1, 100, 100, 50);
    const auto queuedInOpen = addInSegment(100, open, 0, OCRState::queued);
    const auto queuedLoose = add(90, "a", "t");
    store->setOCRState(queuedLoose, OCRState::queued);
    addInSegment(101, open, 1, OCRState::done);
    add(300, "a", "t");
    store->setOCRState(store->latestFrame()->id, OCRState::queued);

    auto ids = [&] {
        std::vector<std::int64_t> result;
        for (const auto& record : store->ocrBacklog(200, 20)) {
            result.push_back(record.id);
        }
        return result;
    };
    EXPECT_EQ(ids(), (std::vector<std::int64_t>{queuedLoose}));
    EXPECT_EQ(store->queuedOCRCount(), 3);
    store->closeSegment(open, 101, 2, 4096);
    EXPECT_EQ(ids(), (std::vector<std::int64_t>{queuedLoose, queuedInOpen}));
    EXPECT_EQ(store->ocrBacklog(200, 1).size(), 1u);
}

TEST_F(MemoryStoreReading, SegmentQueriesOfRetention) {
    const auto young = closedSegment("segments/young.mp4", 900, 1000);
    const auto old = closedSegment("segments/old.mp4", 100, 200);
    const auto thinned = closedSegment("segments/thinned.mp4", 300, 400, 2);
    const auto open = store->openSegment("segments/open.mp4", 1, 50, 100, 50);

    const auto segment = store->segment(old);
    ASSERT_TRUE(segment);
    EXPECT_EQ(segment->path, "segments/old.mp4");
    EXPECT_EQ(segment->end, 200);
    EXPECT_TRUE(segment->closed);
    EXPECT_FALSE(store->segment(open)->closed);
    EXPECT_EQ(store->segment(open + 100), std::nullopt);

    auto idsOf = [](const std::vector<ostrel::SegmentRecord>& segments) {
        std::vector<std::int64_t> ids;
        for (const auto& s : segments) {
            ids.push_back(s.id);
        }
        return ids;
    };
    EXPECT_EQ(idsOf(store->oldestSegments(10)), (std::vector<std::int64_t>{old, thinned, young}));
    EXPECT_EQ(idsOf(store->oldestSegments(1)), (std::vector<std::int64_t>{old}));
    EXPECT_EQ(idsOf(store->segmentsToThin(1000, 1, 10)), (std::vector<std::int64_t>{old}));
    EXPECT_EQ(idsOf(store->segmentsToThin(1001, 2, 10)), (std::vector<std::int64_t>{old, thinned, young}));
    EXPECT_EQ(store->allSegmentPaths(), (std::set<std::string>{"segments/young.mp4", "segments/old.mp4",
                                                               "segments/thinned.mp4", "segments/open.mp4"}));

    const auto second = addInSegment(150, old, 1, OCRState::notNeeded);
    const auto first = addInSegment(160, old, 0, OCRState::notNeeded);
    addInSegment(950, young, 0, OCRState::notNeeded);
    const auto frames = store->framesInSegment(old);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].id, first);
    EXPECT_EQ(frames[1].id, second);
    EXPECT_EQ(frames[0].segmentPath, "segments/old.mp4");

    store->setSegmentTier(old, 0);
    EXPECT_EQ(store->segment(old)->tier, 0);
    EXPECT_EQ(store->frame(first)->keyframe, 0) << "tier 0 changes only the segment row";
    store->setSegmentTier(old, 1);
    EXPECT_EQ(store->segment(old)->tier, 1);
    EXPECT_EQ(store->frame(first)->keyframe, 1);
    EXPECT_EQ(store->frame(second)->keyframe, 1);
    EXPECT_EQ(store->framesInSegment(young)[0].keyframe, 0);
}

} // namespace
