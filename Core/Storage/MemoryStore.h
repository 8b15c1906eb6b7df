#pragma once

#include "Storage/ActivitySpan.h"
#include "Storage/DayStats.h"
#include "Storage/NewSegment.h"
#include "Storage/SQLiteDatabase.h"
#include "Storage/SegmentRecord.h"
#include "Storage/StatsDelta.h"
#include "Storage/StorageBreakdown.h"
#include "Support/Time.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// The one object through which the memory is read and written. Opened read-write (creates and
// upgrades the file) or read-only. Holds no lock: use it from one thread or serial queue at a time.
// Its operations are grouped over several source files, one per area, declared in sections below.
class MemoryStore final {
public:
    static constexpr int schemaVersion = 2;

    MemoryStore(const std::filesystem::path& databaseFile, bool readOnly);
    MemoryStore(const MemoryStore&) = delete;
    MemoryStore& operator=(const MemoryStore&) = delete;

    SQLiteDatabase& db() { return *db_; }
    bool isReadOnly() const { return isReadOnly_; }
    // Whether this file's full-text table removes rows with a plain DELETE (else the 'delete' command).
    bool contentlessDelete() const { return contentlessDelete_; }

    // ---- Key/value settings of the file -------------------------------------------------------
    std::optional<std::string> metaValue(const std::string& key);
    // Stores `value` under `key`, or removes the key when `value` is absent.
    void setMetaValue(const std::string& key, const std::optional<std::string>& value);

    // ---- Writing moments and text -------------------------------------------------------------

    // ---- Segment rows, deletion and maintenance -----------------------------------------------
    // What a deletion of moments did: the moments it was asked to delete (each distinct id once) and
    // the distinct segments that held a picture of one of them, now queued in pending_rewrites.
    struct DeletionResult {
        std::int64_t frameCount = 0;
        std::vector<std::int64_t> affectedSegments;
    };
    // A kept moment's position in a rewritten segment file.
    struct FrameMove {
        std::int64_t frameID = 0;
        std::int64_t newIndex = 0;
    };

    // The columns a SegmentRecord is read from, in the order readSegmentRecord expects them.
    static constexpr const char* segmentColumns =
        "id, path, display_id, start_ts, end_ts, frame_count, width, height, bytes, tier, closed";
    static SegmentRecord readSegmentRecord(const SQLRow& row);

    // Starts the row of a segment file being written: open, empty, ending where it starts.
    std::int64_t openSegment(const std::string& path, std::uint32_t displayID, Time start, std::int64_t width,
                             std::int64_t height);
    void closeSegment(std::int64_t segmentID, Time end, std::int64_t frameCount, std::int64_t bytes);
    // Rows still open (left by a crash), oldest start first.
    std::vector<SegmentRecord> openSegments();
    // Turns the moments at positions >= firstIndex of the segment into moments without picture.
    void detachFrames(std::int64_t segmentID, std::int64_t firstIndex);
    std::optional<Time> lastFrameTime(std::int64_t segmentID);
    // Removes the row only; callers detach its moments first.
    void deleteSegment(std::int64_t segmentID);
    // Replaces a segment row by the row of its rewritten file (or by nothing when no moment was kept)
    // in one transaction. Throws code 0 when the old row is gone, changing nothing.
    void rewriteSegment(std::int64_t oldSegmentID, const std::optional<NewSegment>& newSegment,
                        const std::vector<FrameMove>& moves, const std::vector<std::int64_t>& droppedFrameIDs,
                        std::int64_t tier);
    void markImagesDropped(const std::vector<std::int64_t>& frameIDs);
    void markKeyframes(const std::vector<std::int64_t>& frameIDs);

    // Deletes moments with their text and full-text rows in one transaction and queues the segments
    // that held their pictures for rewriting.
    DeletionResult deleteFrames(const std::vector<std::int64_t>& frameIDs);
    // Deletes the moments with start <= ts < end and cuts that time out of the activity spans.
    DeletionResult deleteRange(Time start, Time end);
    // Deletes up to `limit` of the oldest moments before `before`, and the activity that ended before it.
    DeletionResult deleteOldestFrames(Time before, std::int64_t limit);
    // Segments whose files may still hold pictures of deleted moments, first queued first.
    std::vector<std::int64_t> pendingRewrites();
    void clearPendingRewrite(std::int64_t segmentID);

    // Merges the full-text index and truncates the journal; failures (a busy reader) are harmless.
    void optimize() noexcept;
    void checkpoint() noexcept;

    // ---- Reading moments, timeline and window contexts ----------------------------------------

    // ---- Activity, statistics, storage and summaries ------------------------------------------
    // A day's saved summary.
    struct SavedSummary {
        std::string text;
        std::string source;
        Time created = 0;
        bool operator==(const SavedSummary&) const = default;
    };

    // "%04d-%02d-%02d" of the local date of `time`: the key of daily statistics and summaries.
    static std::string dayKey(Time time);

    // Stores a new span (its `id` is ignored) and returns the new row's id.
    std::int64_t insertActivity(const ActivitySpan& span);
    // Moves the span's end; an absent project or title keeps the stored one.
    void extendActivity(std::int64_t id, Time end, const std::optional<std::string>& project,
                        const std::optional<std::string>& windowTitle);
    // Whole spans that start before `to` and end after `from`, by start.
    std::vector<ActivitySpan> activity(Time from, Time to);

    // Adds the increment to the day's running totals; an empty increment writes nothing.
    void addStats(const std::string& day, const StatsDelta& delta);
    // The days from `from` to `to` (both included) that have a row, in day order.
    std::vector<DayStats> stats(const std::string& from, const std::string& to);

    std::optional<SavedSummary> summary(const std::string& day);
    // Replaces the day's summary; its creation time is now.
    void saveSummary(const std::string& day, const std::string& text, const std::string& source);

    StorageBreakdown storageBreakdown();
    // Merges the full-text index, vacuums and truncates the log, only when over a quarter of the
    // file's pages are free.
    void compact();

    // ---- Full-text search ---------------------------------------------------------------------

    // ---- Find counter -------------------------------------------------------------------------

private:
    void migrate();
    void createSchema();
    void upgradeFromVersion1();
    bool readContentlessDelete();

    std::unique_ptr<SQLiteDatabase> db_;
    bool isReadOnly_ = false;
    bool contentlessDelete_ = true;
};

} // namespace ostrel
