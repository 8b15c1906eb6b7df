#pragma once

#include <string>

namespace ostrel::DatabaseSchema {

// The statements of the schema, exactly as files of every version were made with them (version 3
// changed only the text the full-text index is given, not a statement; version 4 added the search
// aids below).

inline constexpr const char* tablesScript =
    "CREATE TABLE IF NOT EXISTS frames (\n"
    "    id INTEGER PRIMARY KEY,\n"
    "    ts REAL NOT NULL,\n"
    "    display_id INTEGER NOT NULL DEFAULT 0,\n"
    "    app_bundle TEXT,\n"
    "    app_name TEXT,\n"
    "    window_title TEXT,\n"
    "    url TEXT,\n"
    "    project TEXT,\n"
    "    phash INTEGER NOT NULL DEFAULT 0,\n"
    "    width INTEGER NOT NULL DEFAULT 0,\n"
    "    height INTEGER NOT NULL DEFAULT 0,\n"
    "    image_state INTEGER NOT NULL DEFAULT 0,\n"
    "    image_path TEXT,\n"
    "    segment_id INTEGER,\n"
    "    segment_index INTEGER,\n"
    "    ocr_state INTEGER NOT NULL DEFAULT 0,\n"
    "    text_source INTEGER NOT NULL DEFAULT 0,\n"
    "    text_chars INTEGER NOT NULL DEFAULT 0,\n"
    "    keyframe INTEGER NOT NULL DEFAULT 0,\n"
    "    bytes INTEGER NOT NULL DEFAULT 0,\n"
    "    win_x REAL, win_y REAL, win_w REAL, win_h REAL\n"
    ");\n"
    "CREATE INDEX IF NOT EXISTS idx_frames_ts ON frames(ts);\n"
    "CREATE INDEX IF NOT EXISTS idx_frames_ocr ON frames(ocr_state, ts);\n"
    "CREATE INDEX IF NOT EXISTS idx_frames_image ON frames(image_state, ts);\n"
    "CREATE INDEX IF NOT EXISTS idx_frames_segment ON frames(segment_id);\n"
    "CREATE INDEX IF NOT EXISTS idx_frames_context ON frames(app_bundle, window_title, ts);\n"
    "\n"
    "CREATE TABLE IF NOT EXISTS frame_text (\n"
    "    frame_id INTEGER PRIMARY KEY,\n"
    "    body TEXT NOT NULL DEFAULT ''\n"
    ");\n"
    "\n"
    "CREATE TABLE IF NOT EXISTS segments (\n"
    "    id INTEGER PRIMARY KEY,\n"
    "    path TEXT NOT NULL,\n"
    "    display_id INTEGER NOT NULL DEFAULT 0,\n"
    "    start_ts REAL NOT NULL,\n"
    "    end_ts REAL NOT NULL,\n"
    "    frame_count INTEGER NOT NULL,\n"
    "    width INTEGER NOT NULL,\n"
    "    height INTEGER NOT NULL,\n"
    "    bytes INTEGER NOT NULL,\n"
    "    tier INTEGER NOT NULL DEFAULT 0,\n"
    "    closed INTEGER NOT NULL DEFAULT 1\n"
    ");\n"
    "CREATE INDEX IF NOT EXISTS idx_segments_end ON segments(end_ts);\n"
    "\n"
    "CREATE TABLE IF NOT EXISTS activity (\n"
    "    id INTEGER PRIMARY KEY,\n"
    "    start_ts REAL NOT NULL,\n"
    "    end_ts REAL NOT NULL,\n"
    "    app_bundle TEXT,\n"
    "    app_name TEXT,\n"
    "    project TEXT,\n"
    "    window_title TEXT\n"
    ");\n"
    "CREATE INDEX IF NOT EXISTS idx_activity_start ON activity(start_ts);\n"
    "CREATE INDEX IF NOT EXISTS idx_activity_end ON activity(end_ts);\n"
    "\n"
    "CREATE TABLE IF NOT EXISTS daily_stats (\n"
    "    day TEXT PRIMARY KEY,\n"
    "    frames_saved INTEGER NOT NULL DEFAULT 0,\n"
    "    frames_skipped INTEGER NOT NULL DEFAULT 0,\n"
    "    ocr_runs INTEGER NOT NULL DEFAULT 0,\n"
    "    cpu_seconds REAL NOT NULL DEFAULT 0,\n"
    "    energy_joules REAL NOT NULL DEFAULT 0,\n"
    "    bytes_written INTEGER NOT NULL DEFAULT 0\n"
    ");\n"
    "\n"
    "CREATE TABLE IF NOT EXISTS summaries (\n"
    "    day TEXT PRIMARY KEY,\n"
    "    text TEXT NOT NULL,\n"
    "    created REAL NOT NULL,\n"
    "    source TEXT NOT NULL\n"
    ");\n"
    "\n"
    "CREATE TABLE IF NOT EXISTS meta (\n"
    "    key TEXT PRIMARY KEY,\n"
    "    value TEXT\n"
    ");";

inline constexpr const char* pendingRewritesStatement = "CREATE TABLE IF NOT EXISTS pending_rewrites (\n"
                                                        "    segment_id INTEGER PRIMARY KEY,\n"
                                                        "    created REAL NOT NULL\n"
                                                        ");";

// SQLite 3.43.0 and later can delete rows of a contentless table with a plain DELETE.
inline bool supportsContentlessDelete(int libraryVersion) {
    return libraryVersion >= 3043000;
}

inline std::string fullTextStatement(int libraryVersion) {
    return std::string("CREATE VIRTUAL TABLE IF NOT EXISTS frame_fts USING fts5(\n    title, url, body, ") +
           (supportsContentlessDelete(libraryVersion) ? "content='', contentless_delete=1," : "content='',") +
           " tokenize = 'unicode61 remove_diacritics 2'\n);";
}

// Search aids, kept by triggers so that every writer of the file keeps them, whatever its version:
// - frame_apps: every (bundle identifier, app name) pair that moments carry (a missing name as empty
//   text), so that "app:" filters need not read every moment; deletions prune it.
// - frame_time_blocks: the latest time of the moments of each block of 1024 row ids
//   (block = id >> 10), so that a newest-first search reading moments by descending row id knows
//   the latest time still to come below any row. Deletions leave the bound as it was: still a bound.
inline constexpr int timeBlockShift = 10;

inline constexpr const char* searchAidsScript =
    "CREATE TABLE IF NOT EXISTS frame_apps (\n"
    "    app_bundle TEXT NOT NULL,\n"
    "    app_name TEXT NOT NULL,\n"
    "    PRIMARY KEY (app_bundle, app_name)\n"
    ") WITHOUT ROWID;\n"
    "CREATE TRIGGER IF NOT EXISTS frames_apps_insert AFTER INSERT ON frames WHEN NEW.app_bundle IS NOT NULL\n"
    "BEGIN\n"
    "    INSERT OR IGNORE INTO frame_apps (app_bundle, app_name) VALUES (NEW.app_bundle, "
    "ifnull(NEW.app_name, ''));\n"
    "END;\n"
    "CREATE TRIGGER IF NOT EXISTS frames_apps_update AFTER UPDATE OF app_bundle, app_name ON frames\n"
    "WHEN NEW.app_bundle IS NOT NULL\n"
    "BEGIN\n"
    "    INSERT OR IGNORE INTO frame_apps (app_bundle, app_name) VALUES (NEW.app_bundle, "
    "ifnull(NEW.app_name, ''));\n"
    "END;\n"
    "\n"
    "CREATE TABLE IF NOT EXISTS frame_time_blocks (\n"
    "    block INTEGER PRIMARY KEY,\n"
    "    max_ts REAL NOT NULL\n"
    ");\n"
    "CREATE TRIGGER IF NOT EXISTS frames_time_insert AFTER INSERT ON frames\n"
    "BEGIN\n"
    "    INSERT INTO frame_time_blocks (block, max_ts) VALUES (NEW.id >> 10, NEW.ts)\n"
    "        ON CONFLICT (block) DO UPDATE SET max_ts = max(max_ts, excluded.max_ts);\n"
    "END;\n"
    "CREATE TRIGGER IF NOT EXISTS frames_time_update AFTER UPDATE OF id, ts ON frames\n"
    "BEGIN\n"
    "    INSERT INTO frame_time_blocks (block, max_ts) VALUES (NEW.id >> 10, NEW.ts)\n"
    "        ON CONFLICT (block) DO UPDATE SET max_ts = max(max_ts, excluded.max_ts);\n"
    "END;";

// Fills the search aids from the moments of a file made before them.
inline constexpr const char* fillSearchAidsScript =
    "INSERT OR IGNORE INTO frame_apps (app_bundle, app_name)\n"
    "    SELECT DISTINCT app_bundle, ifnull(app_name, '') FROM frames WHERE app_bundle IS NOT NULL;\n"
    "INSERT OR REPLACE INTO frame_time_blocks (block, max_ts) SELECT id >> 10, max(ts) FROM frames GROUP BY "
    "id >> 10;";

} // namespace ostrel::DatabaseSchema
