#include "Storage/MemoryStore.h"
#include "TestStore.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace ostrel;

namespace {

// A moment's picture reference as stored: image_state, segment_id, segment_index, keyframe.
using PictureReference =
    std::tuple<std::int64_t, std::optional<std::int64_t>, std::optional<std::int64_t>, std::int64_t>;

// A moment stored in a segment at a position, written directly so only segment rows are under test.
std::int64_t addFrame(SQLiteDatabase& db, Time ts, std::optional<std::int64_t> segmentID,
                      std::optional<std::int64_t> index, std::int64_t keyframe = 0) {
    db.run("INSERT INTO frames (ts, image_state, segment_id, segment_index, keyframe) VALUES (?, ?, ?, ?, ?)",
           {SQLValue::real(ts), SQLValue::integer(segmentID ? 1 : 0), SQLValue::optionalInteger(segmentID),
            SQLValue::optionalInteger(index), SQLValue::integer(keyframe)},
           false);
    return db.lastInsertRowID();
}

PictureReference pictureOf(SQLiteDatabase& db, std::int64_t frameID) {
    return db
        .query("SELECT image_state, segment_id, segment_index, keyframe FROM frames WHERE id = ?",
               {SQLValue::integer(frameID)}, false,
               [](const SQLRow& row) {
                   return PictureReference{row.int64(0), row.optionalInt64(1), row.optionalInt64(2),
                                           row.int64(3)};
               })
        .at(0);
}

std::vector<SegmentRecord> segmentRows(SQLiteDatabase& db) {
    return db.query(std::string("SELECT ") + MemoryStore::segmentColumns + " FROM segments ORDER BY id", {},
                    false, MemoryStore::readSegmentRecord);
}

class SegmentRowsTest : public testsupport::TestStore {
  protected:
    std::int64_t addFrame(Time ts, std::optional<std::int64_t> segmentID, std::optional<std::int64_t> index,
                          std::int64_t keyframe = 0) {
        return ::addFrame(store->db(), ts, segmentID, index, keyframe);
    }
    PictureReference picture(std::int64_t frameID) { return pictureOf(store->db(), frameID); }
    std::optional<SegmentRecord> segment(std::int64_t id) {
        for (const SegmentRecord& row : segmentRows(store->db())) {
            if (row.id == id) {
                return row;
            }
        }
        return std::nullopt;
    }
    std::int64_t count(const std::string& table) {
        return *store->db().scalarInt("SELECT COUNT(*) FROM " + table);
    }
};

TEST_F(SegmentRowsTest, OpenRowIsEmptyUntilClosed) {
    const std::int64_t id = store->openSegment("segments/a.mp4", 4000000000u, 1000.5, 1920, 1080);

    const std::vector<SegmentRecord> open = store->openSegments();
    ASSERT_EQ(open.size(), 1u);
    const SegmentRecord& row = open.front();
    EXPECT_EQ(row.id, id);
    EXPECT_EQ(row.path, "segments/a.mp4");
    EXPECT_EQ(row.displayID, 4000000000u);
    EXPECT_EQ(row.start, 1000.5);
    EXPECT_EQ(row.end, 1000.5);
    EXPECT_EQ(row.frameCount, 0);
    EXPECT_EQ(row.bytes, 0);
    EXPECT_EQ(row.tier, 0);
    EXPECT_EQ(row.width, 1920);
    EXPECT_EQ(row.height, 1080);
    EXPECT_FALSE(row.closed);

    store->closeSegment(id, 1060.25, 42, 9876543210);
    EXPECT_TRUE(store->openSegments().empty());
    const SegmentRecord closed = *segment(id);
    EXPECT_TRUE(closed.closed);
    EXPECT_EQ(closed.end, 1060.25);
    EXPECT_EQ(closed.frameCount, 42);
    EXPECT_EQ(closed.bytes, 9876543210);
}

TEST_F(SegmentRowsTest, OpenRowsAreListedOldestStartFirst) {
    const std::int64_t later = store->openSegment("b", 1, 2000, 10, 10);
    const std::int64_t earlier = store->openSegment("a", 2, 1000, 10, 10);
    const std::int64_t closed = store->openSegment("c", 3, 500, 10, 10);
    store->closeSegment(closed, 600, 1, 1);

    const auto open = store->openSegments();
    ASSERT_EQ(open.size(), 2u);
    EXPECT_EQ(open[0].id, earlier);
    EXPECT_EQ(open[1].id, later);
}

TEST_F(SegmentRowsTest, LastFrameTimeIsAbsentWithoutFrames) {
    const std::int64_t id = store->openSegment("a", 1, 1000, 10, 10);
    EXPECT_EQ(store->lastFrameTime(id), std::nullopt);

    addFrame(1010, id, 0);
    addFrame(1030.5, id, 2);
    addFrame(1020, id, 1);
    addFrame(5000, std::nullopt, std::nullopt);
    EXPECT_EQ(store->lastFrameTime(id), 1030.5);
}

TEST_F(SegmentRowsTest, DetachFramesFromAPositionOnKeepsKeyframes) {
    const std::int64_t id = store->openSegment("a", 1, 1000, 10, 10);
    const std::int64_t other = store->openSegment("b", 1, 1000, 10, 10);
    std::vector<std::int64_t> frames;
    for (int i = 0; i < 10; ++i) {
        frames.push_back(addFrame(1000 + i, id, i, i % 2));
    }
    const std::int64_t elsewhere = addFrame(1000, other, 7);

    store->detachFrames(id, 5);

    for (int i = 0; i < 10; ++i) {
        const PictureReference expected = i < 5 ? PictureReference{1, id, i, i % 2}
                                                : PictureReference{2, std::nullopt, std::nullopt, i % 2};
        EXPECT_EQ(picture(frames[i]), expected) << "position " << i;
    }
    EXPECT_EQ(picture(elsewhere), (PictureReference{1, other, 7, 0}));

    store->detachFrames(id, 0);
    EXPECT_EQ(picture(frames[0]), (PictureReference{2, std::nullopt, std::nullopt, 0}));
}

TEST_F(SegmentRowsTest, DeleteSegmentLeavesItsFramesAlone) {
    const std::int64_t id = store->openSegment("a", 1, 1000, 10, 10);
    const std::int64_t frame = addFrame(1000, id, 3);
    store->deleteSegment(id);
    EXPECT_EQ(segment(id), std::nullopt);
    EXPECT_EQ(picture(frame), (PictureReference{1, id, 3, 0}));
}

TEST_F(SegmentRowsTest, RewriteMovesKeptFramesAndDropsTheRest) {
    struct Case {
        const char* name;
        std::int64_t tier;
        bool withNewSegment;
        std::int64_t movedKeyframe; // keyframe of a moved moment that had keyframe 0 before
    };
    const Case cases[] = {
        {"thinned tier marks moved moments as key frames", 2, true, 1},
        {"tier 0 keeps the moved moments' keyframe values", 0, true, 0},
        {"a rewrite that keeps nothing applies no moves", 1, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int64_t old = store->openSegment("old.mp4", 7, 1000, 1920, 1080);
        store->closeSegment(old, 1100, 4, 4000);
        auto add = [&](std::int64_t index, std::int64_t keyframe) {
            return addFrame(1000 + index, old, index, keyframe);
        };
        const std::int64_t keptPlain = add(0, 0);
        const std::int64_t droppedA = add(1, 0);
        const std::int64_t keptKeyframe = add(2, 1);
        const std::int64_t droppedB = add(3, 1);

        const NewSegment rewritten{"new.mp4", 7, 1000, 1002, 2, 1920, 1080, 1500};
        store->rewriteSegment(old, c.withNewSegment ? std::optional(rewritten) : std::nullopt,
                              {{keptPlain, 0}, {keptKeyframe, 1}}, {droppedA, droppedB}, c.tier);

        // The rows this rewrite made: those newer than the old one.
        std::vector<SegmentRecord> segments = segmentRows(store->db());
        std::erase_if(segments, [&](const SegmentRecord& row) { return row.id <= old; });
        EXPECT_EQ(segment(old), std::nullopt);
        EXPECT_EQ(picture(droppedA), (PictureReference{2, std::nullopt, std::nullopt, 2}));
        EXPECT_EQ(picture(droppedB), (PictureReference{2, std::nullopt, std::nullopt, 2}));
        if (c.withNewSegment) {
            ASSERT_EQ(segments.size(), 1u);
            const SegmentRecord& row = segments.front();
            EXPECT_EQ(row.path, "new.mp4");
            EXPECT_EQ(row.displayID, 7u);
            EXPECT_EQ(row.start, 1000);
            EXPECT_EQ(row.end, 1002);
            EXPECT_EQ(row.frameCount, 2);
            EXPECT_EQ(row.bytes, 1500);
            EXPECT_EQ(row.tier, c.tier);
            EXPECT_TRUE(row.closed);
            EXPECT_EQ(picture(keptPlain), (PictureReference{1, row.id, 0, c.movedKeyframe}));
            EXPECT_EQ(picture(keptKeyframe), (PictureReference{1, row.id, 1, 1}));
        } else {
            EXPECT_TRUE(segments.empty());
            EXPECT_EQ(picture(keptPlain), (PictureReference{1, old, 0, 0}));
        }
    }
}

TEST_F(SegmentRowsTest, RewritingAVanishedSegmentFailsAndChangesNothing) {
    const std::int64_t id = store->openSegment("gone.mp4", 1, 1000, 10, 10);
    const std::int64_t frame = addFrame(1000, id, 0);
    store->deleteSegment(id);

    try {
        store->rewriteSegment(id, NewSegment{"new.mp4", 1, 1000, 1001, 1, 10, 10, 10}, {{frame, 0}}, {frame},
                              2);
        FAIL() << "rewriting a vanished segment succeeded";
    } catch (const SQLiteError& error) {
        EXPECT_EQ(error.code(), 0);
        EXPECT_EQ(error.message(), "segment " + std::to_string(id) + " no longer exists");
        EXPECT_EQ(error.sql(), std::nullopt);
    }
    EXPECT_EQ(count("segments"), 0);
    EXPECT_EQ(picture(frame), (PictureReference{1, id, 0, 0}));
}

TEST_F(SegmentRowsTest, RewriteJoinsTheCallersTransaction) {
    const std::int64_t id = store->openSegment("a.mp4", 1, 1000, 10, 10);
    const std::int64_t frame = addFrame(1000, id, 0);
    EXPECT_THROW(store->db().transaction([&] {
        store->rewriteSegment(id, std::nullopt, {}, {frame}, 1);
        throw SQLiteError(1, "caller gave up");
    }),
                 SQLiteError);
    EXPECT_EQ(count("segments"), 1);
    EXPECT_EQ(picture(frame), (PictureReference{1, id, 0, 0}));
}

TEST_F(SegmentRowsTest, MarksChangeOnlyTheirColumns) {
    const std::int64_t id = store->openSegment("a", 1, 1000, 10, 10);
    const std::int64_t a = addFrame(1000, id, 0);
    const std::int64_t b = addFrame(1001, id, 1);
    const std::int64_t c = addFrame(1002, id, 2);

    store->markImagesDropped({a, 999});
    store->markKeyframes({b, 998});
    EXPECT_EQ(picture(a), (PictureReference{2, std::nullopt, std::nullopt, 2}));
    EXPECT_EQ(picture(b), (PictureReference{1, id, 1, 1}));
    EXPECT_EQ(picture(c), (PictureReference{1, id, 2, 0}));
}

TEST_F(SegmentRowsTest, PendingRewritesAreListedOldestFirstUntilCleared) {
    for (const auto& [segmentID, created] : {std::pair{30, 300.0}, {10, 100.0}, {20, 200.0}}) {
        store->db().run("INSERT INTO pending_rewrites (segment_id, created) VALUES (?, ?)",
                        {SQLValue::integer(segmentID), SQLValue::real(created)}, false);
    }
    EXPECT_EQ(store->pendingRewrites(), (std::vector<std::int64_t>{10, 20, 30}));
    store->clearPendingRewrite(20);
    store->clearPendingRewrite(99);
    EXPECT_EQ(store->pendingRewrites(), (std::vector<std::int64_t>{10, 30}));
}

TEST_F(SegmentRowsTest, MaintenanceNeverFails) {
    store->openSegment("a", 1, 1000, 10, 10);
    EXPECT_NO_THROW(store->optimize());
    EXPECT_NO_THROW(store->checkpoint());
    EXPECT_EQ(count("segments"), 1);

    store->db().close();
    EXPECT_NO_THROW(store->optimize());
    EXPECT_NO_THROW(store->checkpoint());
}

} // namespace
