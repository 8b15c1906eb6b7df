#include "Storage/MemoryStore.h"

#include <algorithm>
#include <unordered_set>

namespace ostrel {

namespace {

// SQLite's default limit on host parameters was long 999; 400 keeps every list well inside it.
constexpr std::size_t maxIDsPerStatement = 400;

std::string placeholders(std::size_t count) {
    std::string list;
    list.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        list += i == 0 ? "?" : ",?";
    }
    return list;
}

// Each id once, in first-seen order: a moment is deleted, and counted, once however often it is listed.
std::vector<std::int64_t> distinctIDs(const std::vector<std::int64_t>& ids) {
    std::vector<std::int64_t> distinct;
    distinct.reserve(ids.size());
    std::unordered_set<std::int64_t> seen;
    seen.reserve(ids.size());
    for (const std::int64_t id : ids) {
        if (seen.insert(id).second) {
            distinct.push_back(id);
        }
    }
    return distinct;
}

std::vector<std::int64_t> selectIDs(SQLiteDatabase& db, const std::string& sql,
                                    const std::vector<SQLValue>& values) {
    return db.query(sql, values, true, [](const SQLRow& row) { return row.int64(0); });
}

// Cuts the time from s to e out of the activity spans; every span that is cut loses its window title.
void clipActivity(SQLiteDatabase& db, Time s, Time e) {
    struct Straddling {
        std::int64_t id;
        Time end;
        std::optional<std::string> appBundle, appName, project;
    };
    const auto straddling =
        db.query("SELECT id, end_ts, app_bundle, app_name, project, window_title FROM activity WHERE "
                 "start_ts < ? AND end_ts > ?",
                 {SQLValue::real(s), SQLValue::real(e)}, true, [](const SQLRow& row) {
                     return Straddling{row.int64(0), row.real(1), row.text(2), row.text(3), row.text(4)};
                 });
    for (const Straddling& span : straddling) {
        db.run("UPDATE activity SET end_ts = ?, window_title = NULL WHERE id = ?",
               {SQLValue::real(s), SQLValue::integer(span.id)});
        db.run("INSERT INTO activity (start_ts, end_ts, app_bundle, app_name, project, window_title) "
               "VALUES (?,?,?,?,?,NULL)",
               {SQLValue::real(e), SQLValue::real(span.end), SQLValue::optionalText(span.appBundle),
                SQLValue::optionalText(span.appName), SQLValue::optionalText(span.project)});
    }
    db.run("DELETE FROM activity WHERE start_ts >= ? AND end_ts <= ?",
           {SQLValue::real(s), SQLValue::real(e)});
    db.run("UPDATE activity SET end_ts = ?, window_title = NULL WHERE start_ts < ? AND end_ts > ? AND end_ts "
           "<= ?",
           {SQLValue::real(s), SQLValue::real(s), SQLValue::real(s), SQLValue::real(e)});
    db.run("UPDATE activity SET start_ts = ?, window_title = NULL WHERE start_ts >= ? AND start_ts < ? AND "
           "end_ts > ?",
           {SQLValue::real(e), SQLValue::real(s), SQLValue::real(e), SQLValue::real(e)});
}

} // namespace

MemoryStore::DeletionResult MemoryStore::deleteFrames(const std::vector<std::int64_t>& frameIDs) {
    if (frameIDs.empty()) {
        return {};
    }
    const std::vector<std::int64_t> ids = distinctIDs(frameIDs);
    return db_->transaction([&] {
        std::unordered_set<std::int64_t> segments;
        for (std::size_t first = 0; first < ids.size(); first += maxIDsPerStatement) {
            const std::size_t count = std::min(maxIDsPerStatement, ids.size() - first);
            std::vector<SQLValue> values;
            values.reserve(count);
            for (std::size_t i = first; i < first + count; ++i) {
                values.push_back(SQLValue::integer(ids[i]));
            }
            const std::string list = placeholders(count);
            for (const std::int64_t segment : db_->query(
                     "SELECT segment_id FROM frames WHERE id IN (" + list + ") AND segment_id IS NOT NULL",
                     values, false, [](const SQLRow& row) { return row.int64(0); })) {
                segments.insert(segment);
            }
            // The full-text rows go first: removing one reads the text and frame rows it was built from.
            for (std::size_t i = first; i < first + count; ++i) {
                deleteFTSRow(ids[i]);
            }
            db_->run("DELETE FROM frame_text WHERE frame_id IN (" + list + ")", values, false);
            db_->run("DELETE FROM frames WHERE id IN (" + list + ")", values, false);
        }

        if (hasSearchAids()) {
            // The app list names only apps that still have moments.
            db_->run("DELETE FROM frame_apps WHERE NOT EXISTS (SELECT 1 FROM frames f WHERE f.app_bundle = "
                     "frame_apps.app_bundle AND ifnull(f.app_name, '') = frame_apps.app_name)");
        }

        DeletionResult result{static_cast<std::int64_t>(ids.size()), {segments.begin(), segments.end()}};
        const SQLValue now = SQLValue::real(currentTime());
        for (const std::int64_t segment : result.affectedSegments) {
            db_->run("INSERT OR IGNORE INTO pending_rewrites (segment_id, created) VALUES (?, ?)",
                     {SQLValue::integer(segment), now});
        }
        return result;
    });
}

MemoryStore::DeletionResult MemoryStore::deleteRange(Time start, Time end) {
    // An empty or inverted range holds no time: clipping by it would stretch and split spans.
    if (!(start < end)) {
        return {};
    }
    // One transaction: a failure or crash halfway through clipping would otherwise lose the second
    // half of a span that was already shortened.
    return db_->transaction([&] {
        const auto ids = selectIDs(*db_, "SELECT id FROM frames WHERE ts >= ? AND ts < ?",
                                   {SQLValue::real(start), SQLValue::real(end)});
        DeletionResult result = deleteFrames(ids);
        clipActivity(*db_, start, end);
        return result;
    });
}

MemoryStore::DeletionResult MemoryStore::deleteOldestFrames(Time before, std::int64_t limit) {
    // SQLite reads a negative LIMIT as no limit at all; a negative budget must delete nothing.
    return db_->transaction([&] {
        const auto ids =
            selectIDs(*db_, "SELECT id FROM frames WHERE ts < ? ORDER BY ts LIMIT ?",
                      {SQLValue::real(before), SQLValue::integer(std::max<std::int64_t>(limit, 0))});
        DeletionResult result = deleteFrames(ids);
        db_->run("DELETE FROM activity WHERE end_ts < ?", {SQLValue::real(before)});
        return result;
    });
}

} // namespace ostrel
