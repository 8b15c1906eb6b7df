#pragma once

#include "Search/SearchQuery.h"
#include "Storage/ActivitySpan.h"
#include "Storage/AppCount.h"
#include "Storage/ContextDigest.h"
#include "Storage/DayStats.h"
#include "Storage/FrameRecord.h"
#include "Storage/FrameSummary.h"
#include "Storage/NewFrame.h"
#include "Storage/NewSegment.h"
#include "Storage/OCRState.h"
#include "Storage/SQLiteDatabase.h"
#include "Storage/SearchHit.h"
#include "Storage/SegmentRecord.h"
#include "Storage/StatsDelta.h"
#include "Storage/StorageBreakdown.h"
#include "Storage/TextSource.h"
#include "Support/Time.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace ostrel {

class RelevanceCut;

// The one object through which the memory is read and written. Opened read-write (creates and
// upgrades the file) or read-only. Holds no lock: use it from one thread or serial queue at a time.
// Its operations are grouped over several source files, one per area, declared in sections below.
class MemoryStore final {
  public:
    static constexpr int schemaVersion = 4;

    MemoryStore(const std::filesystem::path& databaseFile, bool readOnly,
                SQLiteDatabase::Companions companions = SQLiteDatabase::Companions::keep);
    ~MemoryStore();
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

    // The columns `readFrameRecord` reads, in order; callers add FROM, WHERE and ORDER, with the
    // segment path from "LEFT JOIN segments s ON s.id = f.segment_id".
    static constexpr const char* frameRecordColumns =
        "f.id, f.ts, f.display_id, f.app_bundle, f.app_name, f.window_title, f.url, f.project, f.width, "
        "f.height,\n"
        "f.image_state, f.image_path, f.segment_id, f.segment_index, s.path, f.ocr_state, f.text_source,\n"
        "f.text_chars, f.keyframe, f.bytes, f.win_x, f.win_y, f.win_w, f.win_h";
    // The columns `readFrameSummary` reads, in order; columns after them are ignored.
    static constexpr const char* frameSummaryColumns =
        "f.id, f.ts, f.display_id, f.app_bundle, f.app_name, f.window_title, f.url, f.image_state, s.path, "
        "f.segment_index";

    // Stores the moment, its text and its full-text row in one transaction; returns the new id.
    std::int64_t insertFrame(const NewFrame& frame);
    // Appends `lines` to the moment's text and re-indexes it, ORs `source` into its text sources and
    // sets the OCR state when given. A moment that no longer exists is left alone without error.
    void addText(std::int64_t frameID, const std::vector<std::string>& lines, TextSource source,
                 std::optional<OCRState> newState = std::nullopt);
    void setOCRState(std::int64_t frameID, OCRState state);
    // Removes the moment's full-text row and, with it, the text row it was built from. Without plain
    // deletes on this file that takes the FTS 'delete' command with exactly the indexed values, and a
    // repeated 'delete' would damage the index for good; with the text row gone, a second call finds
    // nothing to remove.
    void deleteFTSRow(std::int64_t frameID);
    // The address as indexed: scheme and a leading "www." cut off (case-sensitive), then in the
    // index's form (TextNormalizer::indexForm).
    static std::string searchableURL(const std::optional<std::string>& url);
    static FrameRecord readFrameRecord(const SQLRow& row);
    static FrameSummary readFrameSummary(const SQLRow& row);

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

    // Merges the full-text index and truncates the journal; failures (a busy reader) are harmless,
    // but damage found on the way is thrown.
    void optimize();
    void checkpoint();

    // Builds a new memory at `destination` (which must not exist) from the memory at `source`:
    // every row of every table, read in full, and a full-text index made again from the stored
    // texts, as the index keeps none of its own. Whatever was damaged in the source's index, its
    // other indexes or its free pages is left behind. Throws the first failure, such as damage in
    // a table's own pages or a full disk, or a source of another schema version (code 0), leaving
    // `destination` for the caller to remove. Neither file may be open meanwhile.
    static void rebuild(const std::filesystem::path& source, const std::filesystem::path& destination);

    // ---- Reading moments, timeline and window contexts ----------------------------------------
    // How often one window title was seen.
    struct TitleCount {
        std::string appLabel; // the app name, else the bundle identifier, else "?"
        std::string title;
        std::int64_t count = 0;
        bool operator==(const TitleCount&) const = default;
    };

    std::optional<FrameRecord> frame(std::int64_t id);
    // The moments with from <= time < to, at most `limit`, oldest or newest first.
    std::vector<FrameSummary> frames(Time from, Time to, std::int64_t limit, bool descending);
    // The moment nearest to `time` on any display; a tie goes to the earlier one.
    std::optional<FrameSummary> neighbourFrame(Time time);
    std::optional<FrameSummary> latestFrame();
    std::optional<std::string> text(std::int64_t frameID);
    // The non-empty bodies of the moment's window (same app, title and display) over the `window`
    // seconds up to and including it, joined by line feeds; only the last `maxChars` characters.
    std::string contextText(std::int64_t frameID, std::int64_t maxChars, double window);
    // Moments per app bundle identifier in the range, most first; moments without one are left out.
    std::vector<AppCount> appCounts(Time from, Time to);
    // Local days ("%04d-%02d-%02d") that hold moments, newest first.
    std::vector<std::string> days(std::int64_t limit);
    // Window contexts (app and title, on any display) seen since `since`, most recent first, each
    // with its text trimmed and cut to `maxChars` characters followed by "…".
    std::vector<ContextDigest> recentContexts(Time since, std::int64_t limit, std::int64_t maxChars);
    // The most frequent non-empty window titles of the range.
    std::vector<TitleCount> topTitles(Time from, Time to, std::int64_t limit);
    // Moments waiting for text recognition taken before `before`, oldest first, leaving out those
    // whose segment is still being written.
    std::vector<FrameRecord> ocrBacklog(Time before, std::int64_t limit);
    std::int64_t queuedOCRCount();
    std::optional<SegmentRecord> segment(std::int64_t id);
    // Closed segments that ended before `before` and are thinned no further than `maxTier`, oldest
    // first.
    std::vector<SegmentRecord> segmentsToThin(Time before, std::int64_t maxTier, std::int64_t limit);
    std::vector<SegmentRecord> oldestSegments(std::int64_t limit);
    std::vector<FrameRecord> framesInSegment(std::int64_t segmentID);
    // The path of every segment row, open or closed.
    std::set<std::string> allSegmentPaths();
    // Records how far the segment was thinned; above 0 every moment of it becomes a key frame.
    void setSegmentTier(std::int64_t segmentID, std::int64_t tier);

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

    // The moments matching `query`, one hit per run of moments of one window within 600 s, each with
    // its snippet; ranked by text relevance, match count and age at `now`, or newest first.
    std::vector<SearchHit> search(const SearchQuery& query, Time now);
    // Whether the app's folded name, or else its folded bundle identifier, contains one of the
    // (already folded) filters.
    static bool appMatchesFilter(const std::string& bundleID, const std::string& appName,
                                 const std::vector<std::string>& filters);
    // A group's rank: relevance (floored at 0.0001), leaning towards recent moments and larger groups.
    static double groupScore(double relevance, std::int64_t count, Time timestamp, Time now);

    // ---- Find counter -------------------------------------------------------------------------

  private:
    void migrate();
    void createSchema();
    // Brings a file of an older version to the current one, step by step.
    void upgrade(std::int64_t fromVersion);
    // Indexes again the moments whose texts hold glyphs that older files indexed inside words.
    void reindexGlyphWords();
    // Indexes every moment's text, into an empty full-text table.
    void indexEveryText();
    bool readContentlessDelete();
    // Whether the file has the app list and the block times that searches and deletions keep up.
    bool hasSearchAids();

    // Declared first so that it outlives the connection whose function refers to it.
    std::unique_ptr<RelevanceCut> relevanceCut_;
    std::unique_ptr<SQLiteDatabase> db_;
    bool isReadOnly_ = false;
    bool contentlessDelete_ = true;
};

} // namespace ostrel
