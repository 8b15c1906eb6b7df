#include "Storage/MemoryStore.h"

namespace ostrel {

namespace {

std::int64_t insertClosedSegment(SQLiteDatabase& db, const NewSegment& segment, std::int64_t tier) {
    db.run(
        "INSERT INTO segments (path, display_id, start_ts, end_ts, frame_count, width, height, bytes, tier, "
        "closed)\nVALUES (?,?,?,?,?,?,?,?,?,1)",
        {SQLValue::text(segment.path), SQLValue::integer(segment.displayID), SQLValue::real(segment.start),
         SQLValue::real(segment.end), SQLValue::integer(segment.frameCount), SQLValue::integer(segment.width),
         SQLValue::integer(segment.height), SQLValue::integer(segment.bytes), SQLValue::integer(tier)});
    return db.lastInsertRowID();
}

void markDropped(SQLiteDatabase& db, const std::vector<std::int64_t>& frameIDs) {
    for (const std::int64_t id : frameIDs) {
        db.run("UPDATE frames SET image_state = 2, segment_id = NULL, segment_index = NULL, keyframe = 2 "
               "WHERE id = ?",
               {SQLValue::integer(id)});
    }
}

} // namespace

SegmentRecord MemoryStore::readSegmentRecord(const SQLRow& row) {
    return SegmentRecord{
        .id = row.int64(0),
        .path = row.text(1).value_or(""),
        .displayID = static_cast<std::uint32_t>(row.int64(2)),
        .start = row.real(3),
        .end = row.real(4),
        .frameCount = row.int64(5),
        .width = row.int64(6),
        .height = row.int64(7),
        .bytes = row.int64(8),
        .tier = row.int64(9),
        .closed = row.int64(10) != 0,
    };
}

std::int64_t MemoryStore::openSegment(const std::string& path, std::uint32_t displayID, Time start,
                                      std::int64_t width, std::int64_t height) {
    db_->run(
        "INSERT INTO segments (path, display_id, start_ts, end_ts, frame_count, width, height, bytes, tier, "
        "closed)\nVALUES (?,?,?,?,0,?,?,0,0,0)",
        {SQLValue::text(path), SQLValue::integer(displayID), SQLValue::real(start), SQLValue::real(start),
         SQLValue::integer(width), SQLValue::integer(height)});
    return db_->lastInsertRowID();
}

void MemoryStore::closeSegment(std::int64_t segmentID, Time end, std::int64_t frameCount,
                               std::int64_t bytes) {
    db_->run("UPDATE segments SET end_ts = ?, frame_count = ?, bytes = ?, closed = 1 WHERE id = ?",
             {SQLValue::real(end), SQLValue::integer(frameCount), SQLValue::integer(bytes),
              SQLValue::integer(segmentID)});
}

std::vector<SegmentRecord> MemoryStore::openSegments() {
    return db_->query(std::string("SELECT ") + segmentColumns +
                          " FROM segments WHERE closed = 0 ORDER BY start_ts",
                      {}, true, readSegmentRecord);
}

void MemoryStore::detachFrames(std::int64_t segmentID, std::int64_t firstIndex) {
    db_->run("UPDATE frames SET image_state = 2, segment_id = NULL, segment_index = NULL "
             "WHERE segment_id = ? AND segment_index >= ?",
             {SQLValue::integer(segmentID), SQLValue::integer(firstIndex)});
}

std::optional<Time> MemoryStore::lastFrameTime(std::int64_t segmentID) {
    return db_->scalarDouble("SELECT MAX(ts) FROM frames WHERE segment_id = ?",
                             {SQLValue::integer(segmentID)});
}

void MemoryStore::deleteSegment(std::int64_t segmentID) {
    db_->run("DELETE FROM segments WHERE id = ?", {SQLValue::integer(segmentID)});
}

void MemoryStore::rewriteSegment(std::int64_t oldSegmentID, const std::optional<NewSegment>& newSegment,
                                 const std::vector<FrameMove>& moves,
                                 const std::vector<std::int64_t>& droppedFrameIDs, std::int64_t tier) {
    db_->transaction([&] {
        const auto rows =
            db_->scalarInt("SELECT COUNT(*) FROM segments WHERE id = ?", {SQLValue::integer(oldSegmentID)});
        if (!rows || *rows != 1) {
            throw SQLiteError(0, "segment " + std::to_string(oldSegmentID) + " no longer exists");
        }
        if (newSegment) {
            const std::int64_t newID = insertClosedSegment(*db_, *newSegment, tier);
            for (const FrameMove& move : moves) {
                db_->run(
                    "UPDATE frames SET segment_id = ?, segment_index = ?, keyframe = CASE WHEN ? > 0 THEN 1 "
                    "ELSE keyframe END WHERE id = ?",
                    {SQLValue::integer(newID), SQLValue::integer(move.newIndex), SQLValue::integer(tier),
                     SQLValue::integer(move.frameID)});
            }
        }
        markDropped(*db_, droppedFrameIDs);
        db_->run("DELETE FROM segments WHERE id = ?", {SQLValue::integer(oldSegmentID)});
    });
}

void MemoryStore::markImagesDropped(const std::vector<std::int64_t>& frameIDs) {
    db_->transaction([&] { markDropped(*db_, frameIDs); });
}

void MemoryStore::markKeyframes(const std::vector<std::int64_t>& frameIDs) {
    db_->transaction([&] {
        for (const std::int64_t id : frameIDs) {
            db_->run("UPDATE frames SET keyframe = 1 WHERE id = ?", {SQLValue::integer(id)});
        }
    });
}

std::vector<std::int64_t> MemoryStore::pendingRewrites() {
    return db_->query("SELECT segment_id FROM pending_rewrites ORDER BY created", {}, true,
                      [](const SQLRow& row) { return row.int64(0); });
}

void MemoryStore::clearPendingRewrite(std::int64_t segmentID) {
    db_->run("DELETE FROM pending_rewrites WHERE segment_id = ?", {SQLValue::integer(segmentID)});
}

void MemoryStore::optimize() {
    try {
        db_->execute("INSERT INTO frame_fts(frame_fts) VALUES('optimize');");
    } catch (const SQLiteError& error) {
        // The index stays usable unmerged and the next pass tries again; unless it is damaged,
        // which its caller must hear of.
        if (error.isDamage()) {
            throw;
        }
    }
    checkpoint();
}

void MemoryStore::checkpoint() {
    try {
        db_->execute("PRAGMA wal_checkpoint(TRUNCATE);");
    } catch (const SQLiteError& error) {
        // A reader holding the journal makes the checkpoint busy; the next one catches up.
        if (error.isDamage()) {
            throw;
        }
    }
}

} // namespace ostrel
