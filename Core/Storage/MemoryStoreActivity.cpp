#include "Storage/MemoryStore.h"

#include "Storage/ImageState.h"
#include "Storage/OstrelPaths.h"

#include <cmath>
#include <filesystem>
#include <utility>

namespace ostrel {

namespace {

constexpr const char* statsUpsert =
    "INSERT INTO daily_stats (day, frames_saved, frames_skipped, ocr_runs, cpu_seconds, energy_joules, "
    "bytes_written)\n"
    "VALUES (?,?,?,?,?,?,?)\n"
    "ON CONFLICT(day) DO UPDATE SET\n"
    "    frames_saved = frames_saved + excluded.frames_saved,\n"
    "    frames_skipped = frames_skipped + excluded.frames_skipped,\n"
    "    ocr_runs = ocr_runs + excluded.ocr_runs,\n"
    "    cpu_seconds = cpu_seconds + excluded.cpu_seconds,\n"
    "    energy_joules = energy_joules + excluded.energy_joules,\n"
    "    bytes_written = bytes_written + excluded.bytes_written";

// A NaN or infinite measurement would turn the day's stored total into NaN (or NULL, which the
// NOT NULL column refuses) for good, so it counts as nothing.
double finiteOrZero(double value) {
    return std::isfinite(value) ? value : 0;
}

// Above this share of free pages the file is worth rebuilding.
constexpr double compactionFreeShare = 0.25;

} // namespace

std::string MemoryStore::dayKey(Time time) {
    return OstrelPaths::dayKey(time);
}

std::int64_t MemoryStore::insertActivity(const ActivitySpan& span) {
    db_->run("INSERT INTO activity (start_ts, end_ts, app_bundle, app_name, project, window_title) "
             "VALUES (?,?,?,?,?,?)",
             {SQLValue::real(span.start), SQLValue::real(span.end), SQLValue::optionalText(span.appBundleID),
              SQLValue::optionalText(span.appName), SQLValue::optionalText(span.project),
              SQLValue::optionalText(span.windowTitle)});
    return db_->lastInsertRowID();
}

void MemoryStore::extendActivity(std::int64_t id, Time end, const std::optional<std::string>& project,
                                 const std::optional<std::string>& windowTitle) {
    db_->run("UPDATE activity SET end_ts = ?, project = COALESCE(?, project), "
             "window_title = COALESCE(?, window_title) WHERE id = ?",
             {SQLValue::real(end), SQLValue::optionalText(project), SQLValue::optionalText(windowTitle),
              SQLValue::integer(id)});
}

std::vector<ActivitySpan> MemoryStore::activity(Time from, Time to) {
    return db_->query(
        "SELECT id, start_ts, end_ts, app_bundle, app_name, project, window_title FROM activity\n"
        "WHERE start_ts < ? AND end_ts > ? ORDER BY start_ts",
        {SQLValue::real(to), SQLValue::real(from)}, true, [](const SQLRow& row) {
            ActivitySpan span;
            span.id = row.int64(0);
            span.start = row.real(1);
            span.end = row.real(2);
            span.appBundleID = row.text(3);
            span.appName = row.text(4);
            span.project = row.text(5);
            span.windowTitle = row.text(6);
            return span;
        });
}

void MemoryStore::addStats(const std::string& day, const StatsDelta& delta) {
    StatsDelta finite = delta;
    finite.cpuSeconds = finiteOrZero(delta.cpuSeconds);
    finite.energyJoules = finiteOrZero(delta.energyJoules);
    if (finite.isEmpty()) {
        return;
    }
    db_->run(statsUpsert, {SQLValue::text(day), SQLValue::integer(finite.framesSaved),
                           SQLValue::integer(finite.framesSkipped), SQLValue::integer(finite.ocrRuns),
                           SQLValue::real(finite.cpuSeconds), SQLValue::real(finite.energyJoules),
                           SQLValue::integer(finite.bytesWritten)});
}

std::vector<DayStats> MemoryStore::stats(const std::string& from, const std::string& to) {
    return db_->query(
        "SELECT day, frames_saved, frames_skipped, ocr_runs, cpu_seconds, energy_joules, bytes_written\n"
        "FROM daily_stats WHERE day >= ? AND day <= ? ORDER BY day",
        {SQLValue::text(from), SQLValue::text(to)}, true, [](const SQLRow& row) {
            DayStats day;
            day.day = row.text(0).value_or("");
            day.framesSaved = row.int64(1);
            day.framesSkipped = row.int64(2);
            day.ocrRuns = row.int64(3);
            day.cpuSeconds = row.real(4);
            day.energyJoules = row.real(5);
            day.bytesWritten = row.int64(6);
            return day;
        });
}

std::optional<MemoryStore::SavedSummary> MemoryStore::summary(const std::string& day) {
    auto rows =
        db_->query("SELECT text, source, created FROM summaries WHERE day = ?", {SQLValue::text(day)}, true,
                   [](const SQLRow& row) {
                       return SavedSummary{row.text(0).value_or(""), row.text(1).value_or(""), row.real(2)};
                   });
    if (rows.empty()) {
        return std::nullopt;
    }
    return rows.front();
}

void MemoryStore::saveSummary(const std::string& day, const std::string& text, const std::string& source) {
    db_->run(
        "INSERT OR REPLACE INTO summaries (day, text, created, source) VALUES (?,?,?,?)",
        {SQLValue::text(day), SQLValue::text(text), SQLValue::real(currentTime()), SQLValue::text(source)});
}

StorageBreakdown MemoryStore::storageBreakdown() {
    StorageBreakdown result;
    const auto countsByState =
        db_->query("SELECT image_state, COUNT(*) FROM frames GROUP BY image_state", {}, true,
                   [](const SQLRow& row) { return std::pair(row.int64(0), row.int64(1)); });
    for (const auto& [state, count] : countsByState) {
        result.frameCount += count;
        if (state == toRaw(ImageState::dropped) || state == toRaw(ImageState::none)) {
            result.textOnlyCount += count;
        }
    }
    const auto closed =
        db_->query("SELECT COUNT(*), COALESCE(SUM(bytes), 0) FROM segments WHERE closed = 1", {}, true,
                   [](const SQLRow& row) { return std::pair(row.int64(0), row.int64(1)); });
    if (!closed.empty()) {
        result.segmentCount = closed.front().first;
        result.segmentBytes = closed.front().second;
    }
    // An open segment's stored size is not final yet; what its file takes now is. The frames folder
    // lies beside the database file, in the data folder this store was opened in.
    const std::filesystem::path dataFolder = std::filesystem::path(db_->path()).parent_path();
    const auto openPaths = db_->query("SELECT path FROM segments WHERE closed = 0", {}, true,
                                      [](const SQLRow& row) { return row.text(0).value_or(""); });
    for (const auto& path : openPaths) {
        result.segmentBytes += OstrelPaths::allocatedSize(OstrelPaths::frameFileURL(dataFolder, path));
    }
    result.segmentCount += static_cast<std::int64_t>(openPaths.size());
    result.oldest = db_->scalarDouble("SELECT MIN(ts) FROM frames");
    result.databaseBytes = OstrelPaths::allocatedSize(db_->path());
    return result;
}

void MemoryStore::compact() {
    const std::int64_t pages = db_->scalarInt("PRAGMA page_count").value_or(0);
    const std::int64_t freePages = db_->scalarInt("PRAGMA freelist_count").value_or(0);
    if (pages <= 0 || static_cast<double>(freePages) / static_cast<double>(pages) <= compactionFreeShare) {
        return;
    }
    db_->execute("INSERT INTO frame_fts(frame_fts) VALUES('optimize');");
    db_->execute("VACUUM;");
    // The file is already rebuilt; a busy log is emptied at the next checkpoint instead.
    checkpoint();
}

} // namespace ostrel
