#include "TestStore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

namespace {

using ostrel::ActivitySpan;
using ostrel::DayStats;
using ostrel::SQLValue;
using ostrel::StatsDelta;

class MemoryStoreActivity : public testsupport::TestStore {
  protected:
    std::int64_t insertSpan(double start, double end, std::optional<std::string> project = std::nullopt) {
        ActivitySpan span;
        span.id = 999;
        span.start = start;
        span.end = end;
        span.appBundleID = "x.editor";
        span.appName = "Editor";
        span.project = std::move(project);
        return store->insertActivity(span);
    }

    std::vector<std::int64_t> idsOverlapping(double from, double to) {
        std::vector<std::int64_t> ids;
        for (const auto& span : store->activity(from, to)) {
            ids.push_back(span.id);
        }
        return ids;
    }

    void insertFrame(double ts, int imageState) {
        store->db().run("INSERT INTO frames (ts, image_state) VALUES (?, ?)",
                        {SQLValue::real(ts), SQLValue::integer(imageState)});
    }

    void insertSegment(const std::string& path, std::int64_t bytes, bool closed) {
        store->db().run(
            "INSERT INTO segments (path, start_ts, end_ts, frame_count, width, height, bytes, closed) "
            "VALUES (?, 0, 1, 1, 10, 10, ?, ?)",
            {SQLValue::text(path), SQLValue::integer(bytes), SQLValue::integer(closed ? 1 : 0)});
    }

    std::int64_t pragma(const std::string& name) {
        return store->db().scalarInt("PRAGMA " + name).value_or(-1);
    }
};

TEST_F(MemoryStoreActivity, InsertIgnoresTheSpanIdAndReturnsIncreasingRowIds) {
    const auto first = insertSpan(100, 200);
    const auto second = insertSpan(300, 400);
    EXPECT_NE(first, 999);
    EXPECT_GT(second, first);

    ActivitySpan bare;
    bare.start = 500;
    bare.end = 600;
    const auto third = store->insertActivity(bare);
    const auto spans = store->activity(0, 1000);
    ASSERT_EQ(spans.size(), 3u);
    EXPECT_EQ(spans[2].id, third);
    EXPECT_EQ(spans[2], (ActivitySpan{third, 500, 600, {}, {}, {}, {}})) << "absent texts stay absent";
    EXPECT_EQ(spans[0].appBundleID, "x.editor");
    EXPECT_EQ(spans[0].appName, "Editor");
}

TEST_F(MemoryStoreActivity, ReturnsWholeSpansOverlappingTheOpenInterval) {
    insertSpan(50, 100); // ends at from
    const auto fromDayBefore = insertSpan(-500, 150);
    const auto inside = insertSpan(120, 180);
    insertSpan(200, 260); // starts at to
    const auto covering = insertSpan(90, 210);

    EXPECT_EQ(idsOverlapping(100, 200), (std::vector<std::int64_t>{fromDayBefore, covering, inside}));
    EXPECT_EQ(store->activity(100, 200).front().start, -500) << "spans are not clipped";
}

TEST_F(MemoryStoreActivity, ExtendKeepsStoredProjectAndTitleUnlessGiven) {
    const auto id = insertSpan(100, 200, "Atlas");
    store->extendActivity(id, 250, std::nullopt, std::nullopt);
    auto span = store->activity(0, 1000).at(0);
    EXPECT_EQ(span.end, 250);
    EXPECT_EQ(span.project, "Atlas");
    EXPECT_EQ(span.windowTitle, std::nullopt);

    store->extendActivity(id, 300, "Borealis", "Notes");
    span = store->activity(0, 1000).at(0);
    EXPECT_EQ(span.start, 100);
    EXPECT_EQ(span.end, 300);
    EXPECT_EQ(span.project, "Borealis");
    EXPECT_EQ(span.windowTitle, "Notes");

    store->extendActivity(id + 100, 900, "Nowhere", std::nullopt);
    EXPECT_EQ(store->activity(0, 1000).size(), 1u);
}

TEST_F(MemoryStoreActivity, StatisticsAddUpPerDayAndEmptyIncrementsWriteNothing) {
    store->addStats("2026-03-10", StatsDelta{3, 1, 2, 0.5, 1.5, 1000});
    store->addStats("2026-03-10", StatsDelta{4, 0, 0, 0.25, 0, 24});
    store->addStats("2026-03-11", StatsDelta{});
    store->addStats("2026-03-12", StatsDelta{0, 0, 1, 0, 0, 0});

    const auto rows = store->stats("2026-03-01", "2026-03-31");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].day, "2026-03-10");
    EXPECT_EQ(rows[0].framesSaved, 7);
    EXPECT_EQ(rows[0].framesSkipped, 1);
    EXPECT_EQ(rows[0].ocrRuns, 2);
    EXPECT_DOUBLE_EQ(rows[0].cpuSeconds, 0.75);
    EXPECT_DOUBLE_EQ(rows[0].energyJoules, 1.5);
    EXPECT_EQ(rows[0].bytesWritten, 1024);
    EXPECT_EQ(rows[1].day, "2026-03-12");

    EXPECT_TRUE(store->stats("2026-03-11", "2026-03-11").empty());
    EXPECT_EQ(store->stats("2026-03-12", "2026-03-12").size(), 1u);
    EXPECT_TRUE(store->stats("2026-03-13", "2026-03-10").empty());
}

TEST_F(MemoryStoreActivity, NonFiniteMeasurementsCountAsZero) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    store->addStats("2026-03-10", StatsDelta{1, 0, 0, 2.0, 3.0, 0});
    store->addStats("2026-03-10", StatsDelta{1, 0, 0, nan, inf, 0});
    store->addStats("2026-03-10", StatsDelta{0, 0, 0, -inf, nan, 0});
    store->addStats("2026-03-11", StatsDelta{0, 0, 0, nan, nan, 0});

    const auto rows = store->stats("2026-03-10", "2026-03-11");
    ASSERT_EQ(rows.size(), 1u) << "a delta of only non-finite numbers is empty";
    EXPECT_EQ(rows[0].framesSaved, 2);
    EXPECT_DOUBLE_EQ(rows[0].cpuSeconds, 2.0);
    EXPECT_DOUBLE_EQ(rows[0].energyJoules, 3.0);
}

TEST_F(MemoryStoreActivity, SavingASummaryAgainReplacesIt) {
    EXPECT_EQ(store->summary("2026-03-10"), std::nullopt);
    const double before = ostrel::currentTime();
    store->saveSummary("2026-03-10", "first", "model");
    store->saveSummary("2026-03-10", "second", "manual");
    const auto saved = store->summary("2026-03-10");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->text, "second");
    EXPECT_EQ(saved->source, "manual");
    EXPECT_GE(saved->created, before);
    EXPECT_LE(saved->created, ostrel::currentTime());
    EXPECT_EQ(store->summary("2026-03-11"), std::nullopt);
}

TEST_F(MemoryStoreActivity, StorageBreakdownOfAnEmptyMemory) {
    const auto figures = store->storageBreakdown();
    EXPECT_EQ(figures.frameCount, 0);
    EXPECT_EQ(figures.textOnlyCount, 0);
    EXPECT_EQ(figures.segmentCount, 0);
    EXPECT_EQ(figures.segmentBytes, 0);
    EXPECT_EQ(figures.oldest, std::nullopt);
    EXPECT_GT(figures.databaseBytes, 0);
    EXPECT_EQ(figures.databaseBytes, ostrel::OstrelPaths::allocatedSize(databaseFile()));
}

TEST_F(MemoryStoreActivity, StorageBreakdownCountsMomentsSegmentsAndOpenFiles) {
    insertFrame(500, 1);
    insertFrame(200, 2);
    insertFrame(300, 3);
    insertFrame(400, 3);
    insertSegment("segments/a.mp4", 1000, true);
    insertSegment("segments/b.mp4", 2500, true);
    insertSegment("segments/open.mp4", 1, false);
    insertSegment("segments/missing.mp4", 7, false);
    {
        std::ofstream file(frameFile("segments/open.mp4"), std::ios::binary);
        file << std::string(10000, 'x');
    }
    const auto openBytes = ostrel::OstrelPaths::allocatedSize(frameFile("segments/open.mp4"));
    ASSERT_GT(openBytes, 0);

    const auto figures = store->storageBreakdown();
    EXPECT_EQ(figures.frameCount, 4);
    EXPECT_EQ(figures.textOnlyCount, 3);
    EXPECT_EQ(figures.segmentCount, 4);
    EXPECT_EQ(figures.segmentBytes, 3500 + openBytes);
    EXPECT_EQ(figures.oldest, 200);
}

// Fills a fresh file with one-page rows, then deletes them one by one until the free pages reach
// `numerator`/4 of the file; returns whether that share was hit exactly.
bool reachFreeQuarters(ostrel::MemoryStore& store, int rows, int numerator) {
    auto& db = store.db();
    db.execute("CREATE TABLE filler (id INTEGER PRIMARY KEY, payload BLOB)");
    for (int i = 0; i < rows; ++i) {
        db.run("INSERT INTO filler (payload) VALUES (zeroblob(3000))");
    }
    db.execute("PRAGMA wal_checkpoint(TRUNCATE);");
    for (int i = 1; i <= rows; ++i) {
        db.run("DELETE FROM filler WHERE id = ?", {SQLValue::integer(i)});
        const auto pages = db.scalarInt("PRAGMA page_count").value_or(0);
        const auto freePages = db.scalarInt("PRAGMA freelist_count").value_or(0);
        if (freePages * 4 >= pages * numerator) {
            return freePages * 4 == pages * numerator;
        }
    }
    return false;
}

TEST_F(MemoryStoreActivity, CompactionLeavesAFileWithAQuarterFreeAlone) {
    bool exact = false;
    for (int rows = 40; rows < 60 && !exact; ++rows) {
        store.reset();
        std::filesystem::remove(databaseFile());
        std::filesystem::remove(databaseFile().string() + "-wal");
        std::filesystem::remove(databaseFile().string() + "-shm");
        store = std::make_unique<ostrel::MemoryStore>(databaseFile(), false);
        exact = reachFreeQuarters(*store, rows, 1);
    }
    ASSERT_TRUE(exact) << "no fill gave exactly a quarter of free pages";
    const auto freeBefore = pragma("freelist_count");
    store->compact();
    EXPECT_EQ(pragma("freelist_count"), freeBefore);
}

TEST_F(MemoryStoreActivity, CompactionRebuildsAFileWithMoreThanAQuarterFree) {
    reachFreeQuarters(*store, 60, 2);
    ASSERT_GT(pragma("freelist_count") * 4, pragma("page_count"));
    store->compact();
    EXPECT_EQ(pragma("freelist_count"), 0);
    const auto walSize = std::filesystem::file_size(databaseFile().string() + "-wal");
    EXPECT_EQ(walSize, 0u) << "the log is checkpointed and truncated";
}

} // namespace
