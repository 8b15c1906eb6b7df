#include "Storage/MemoryStore.h"

#include "Support/Graphemes.h"
#include "Support/Time.h"
#include "Support/Whitespace.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

const std::string frameSummaryHead = std::string("SELECT ") + MemoryStore::frameSummaryColumns +
                                     " FROM frames f LEFT JOIN segments s ON s.id = f.segment_id";
const std::string frameRecordHead = std::string("SELECT ") + MemoryStore::frameRecordColumns +
                                    " FROM frames f LEFT JOIN segments s ON s.id = f.segment_id";
const std::string segmentHead = std::string("SELECT ") + MemoryStore::segmentColumns + " FROM segments";

template <typename Row> std::optional<Row> first(std::vector<Row> rows) {
    if (rows.empty()) {
        return std::nullopt;
    }
    return std::move(rows.front());
}

// A negative character limit keeps nothing rather than wrapping around.
std::size_t characterLimit(std::int64_t maxChars) {
    return static_cast<std::size_t>(std::max<std::int64_t>(maxChars, 0));
}

ContextDigest readContextDigest(const SQLRow& row, std::int64_t maxChars) {
    ContextDigest digest;
    digest.appName = row.text(0);
    digest.appBundleID = row.text(1);
    digest.windowTitle = row.text(2);
    digest.url = row.text(3);
    digest.start = row.real(4);
    digest.end = row.real(5);
    digest.frameCount = row.int64(6);
    const std::string body = row.text(7).value_or("");
    const std::string_view text = Whitespace::trimmed(body);
    const std::size_t limit = characterLimit(maxChars);
    digest.text =
        Graphemes::count(text) > limit ? Graphemes::prefix(text, limit) + "\u2026" : std::string(text);
    return digest;
}

} // namespace

std::optional<FrameRecord> MemoryStore::frame(std::int64_t id) {
    return first(
        db_->query(frameRecordHead + " WHERE f.id = ?", {SQLValue::integer(id)}, true, readFrameRecord));
}

std::vector<FrameSummary> MemoryStore::frames(Time from, Time to, std::int64_t limit, bool descending) {
    return db_->query(frameSummaryHead + " WHERE f.ts >= ? AND f.ts < ? ORDER BY f.ts " +
                          (descending ? "DESC" : "ASC") + " LIMIT ?",
                      {SQLValue::real(from), SQLValue::real(to), SQLValue::integer(limit)}, false,
                      readFrameSummary);
}

std::optional<FrameSummary> MemoryStore::neighbourFrame(Time time) {
    const auto earlier = first(db_->query(frameSummaryHead + " WHERE f.ts <= ? ORDER BY f.ts DESC LIMIT 1",
                                          {SQLValue::real(time)}, true, readFrameSummary));
    const auto later = first(db_->query(frameSummaryHead + " WHERE f.ts > ? ORDER BY f.ts LIMIT 1",
                                        {SQLValue::real(time)}, true, readFrameSummary));
    if (!earlier || !later) {
        return earlier ? earlier : later;
    }
    return std::abs(later->timestamp - time) < std::abs(time - earlier->timestamp) ? later : earlier;
}

std::optional<FrameSummary> MemoryStore::latestFrame() {
    return first(db_->query(frameSummaryHead + " ORDER BY f.ts DESC LIMIT 1", {}, true, readFrameSummary));
}

std::optional<std::string> MemoryStore::text(std::int64_t frameID) {
    return db_->scalarText("SELECT body FROM frame_text WHERE frame_id = ?", {SQLValue::integer(frameID)});
}

std::string MemoryStore::contextText(std::int64_t frameID, std::int64_t maxChars, double window) {
    const auto moment = frame(frameID);
    if (!moment) {
        return {};
    }
    // The pipeline stores only the lines a window had not shown before, so the window's earlier
    // moments hold the rest of what it showed.
    const auto bodies = db_->query(
        "SELECT t.body FROM frames f JOIN frame_text t ON t.frame_id = f.id\n"
        "WHERE f.app_bundle IS ? AND f.window_title IS ? AND f.display_id = ? AND f.ts BETWEEN ? AND ?\n"
        "ORDER BY f.ts",
        {SQLValue::optionalText(moment->appBundleID), SQLValue::optionalText(moment->windowTitle),
         SQLValue::integer(moment->displayID), SQLValue::real(moment->timestamp - window),
         SQLValue::real(moment->timestamp)},
        true, [](const SQLRow& row) { return row.text(0).value_or(""); });
    std::string joined;
    for (const auto& body : bodies) {
        if (body.empty()) {
            continue;
        }
        if (!joined.empty()) {
            joined += '\n';
        }
        joined += body;
    }
    const std::size_t limit = characterLimit(maxChars);
    return Graphemes::count(joined) > limit ? Graphemes::suffix(joined, limit) : joined;
}

std::vector<AppCount> MemoryStore::appCounts(Time from, Time to) {
    return db_->query("SELECT app_bundle, MAX(app_name), COUNT(*) FROM frames\n"
                      "WHERE ts >= ? AND ts < ? AND app_bundle IS NOT NULL\n"
                      "GROUP BY app_bundle ORDER BY COUNT(*) DESC",
                      {SQLValue::real(from), SQLValue::real(to)}, true, [](const SQLRow& row) {
                          const auto bundleID = row.text(0);
                          return AppCount{bundleID.value_or("?"),
                                          row.text(1).value_or(bundleID.value_or("?")), row.int64(2)};
                      });
}

std::vector<std::string> MemoryStore::days(std::int64_t limit) {
    // SQLite's 'localtime' asks the C library, which keeps the zone it last looked up.
    refreshLocalTimeZone();
    return db_->query(
        "SELECT DISTINCT date(ts, 'unixepoch', 'localtime') FROM frames ORDER BY 1 DESC LIMIT ?",
        {SQLValue::integer(limit)}, true, [](const SQLRow& row) { return row.text(0).value_or(""); });
}

std::vector<ContextDigest> MemoryStore::recentContexts(Time since, std::int64_t limit,
                                                       std::int64_t maxChars) {
    return db_->query(
        "SELECT f.app_name, f.app_bundle, f.window_title, MAX(f.url), MIN(f.ts), MAX(f.ts), COUNT(*),\n"
        "       GROUP_CONCAT(t.body, char(10))\n"
        "FROM frames f LEFT JOIN frame_text t ON t.frame_id = f.id\n"
        "WHERE f.ts >= ?\n"
        "GROUP BY f.app_bundle, f.window_title\n"
        "ORDER BY MAX(f.ts) DESC LIMIT ?",
        {SQLValue::real(since), SQLValue::integer(limit)}, true,
        [&](const SQLRow& row) { return readContextDigest(row, maxChars); });
}

std::vector<MemoryStore::TitleCount> MemoryStore::topTitles(Time from, Time to, std::int64_t limit) {
    return db_->query(
        "SELECT COALESCE(app_name, app_bundle, '?'), window_title, COUNT(*) FROM frames\n"
        "WHERE ts >= ? AND ts < ? AND window_title IS NOT NULL AND window_title != ''\n"
        "GROUP BY app_bundle, window_title ORDER BY COUNT(*) DESC LIMIT ?",
        {SQLValue::real(from), SQLValue::real(to), SQLValue::integer(limit)}, true, [](const SQLRow& row) {
            return TitleCount{row.text(0).value_or("?"), row.text(1).value_or(""), row.int64(2)};
        });
}

std::vector<FrameRecord> MemoryStore::ocrBacklog(Time before, std::int64_t limit) {
    return db_->query(
        frameRecordHead +
            "\nWHERE f.ocr_state = 1 AND f.ts < ? AND (s.id IS NULL OR s.closed = 1) ORDER BY f.ts LIMIT ?",
        {SQLValue::real(before), SQLValue::integer(limit)}, true, readFrameRecord);
}

std::int64_t MemoryStore::queuedOCRCount() {
    return db_->scalarInt("SELECT COUNT(*) FROM frames WHERE ocr_state = 1").value_or(0);
}

std::optional<SegmentRecord> MemoryStore::segment(std::int64_t id) {
    return first(db_->query(segmentHead + " WHERE id = ?", {SQLValue::integer(id)}, true, readSegmentRecord));
}

std::vector<SegmentRecord> MemoryStore::segmentsToThin(Time before, std::int64_t maxTier,
                                                       std::int64_t limit) {
    return db_->query(segmentHead + "\nWHERE closed = 1 AND end_ts < ? AND tier <= ? ORDER BY end_ts LIMIT ?",
                      {SQLValue::real(before), SQLValue::integer(maxTier), SQLValue::integer(limit)}, true,
                      readSegmentRecord);
}

std::vector<SegmentRecord> MemoryStore::oldestSegments(std::int64_t limit) {
    return db_->query(segmentHead + " WHERE closed = 1 ORDER BY end_ts LIMIT ?", {SQLValue::integer(limit)},
                      true, readSegmentRecord);
}

std::vector<FrameRecord> MemoryStore::framesInSegment(std::int64_t segmentID) {
    return db_->query(frameRecordHead + "\nWHERE f.segment_id = ? ORDER BY f.segment_index",
                      {SQLValue::integer(segmentID)}, true, readFrameRecord);
}

std::set<std::string> MemoryStore::allSegmentPaths() {
    const auto paths = db_->query("SELECT path FROM segments", {}, true,
                                  [](const SQLRow& row) { return row.text(0).value_or(""); });
    return {paths.begin(), paths.end()};
}

void MemoryStore::setSegmentTier(std::int64_t segmentID, std::int64_t tier) {
    db_->run("UPDATE segments SET tier = ? WHERE id = ?",
             {SQLValue::integer(tier), SQLValue::integer(segmentID)});
    // A thinned segment keeps only its key frames.
    if (tier > 0) {
        db_->run("UPDATE frames SET keyframe = 1 WHERE segment_id = ?", {SQLValue::integer(segmentID)});
    }
}

} // namespace ostrel
