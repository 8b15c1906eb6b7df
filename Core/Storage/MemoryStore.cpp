#include "Storage/MemoryStore.h"

#include "Search/RelevanceCut.h"
#include "Storage/DatabaseSchema.h"
#include "Support/Time.h"

namespace ostrel {
namespace {

// SQLite's own ceiling for a mapping; it maps no more of the file than there is.
constexpr std::int64_t mappedBytes = 0x7fff0000;

} // namespace

MemoryStore::MemoryStore(const std::filesystem::path& databaseFile, bool readOnly,
                         SQLiteDatabase::Companions companions)
    : db_(std::make_unique<SQLiteDatabase>(databaseFile.string(), readOnly, companions)),
      isReadOnly_(readOnly) {
    if (readOnly) {
        try {
            db_->execute("PRAGMA query_only = 1;");
        } catch (const SQLiteError&) {
            // A reader that cannot set it still cannot write: the file was opened read-only.
        }
    } else {
        db_->execute("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; PRAGMA temp_store = MEMORY; "
                     "PRAGMA secure_delete = ON; PRAGMA journal_size_limit = 4194304;");
        migrate();
    }
    // Searches read megabytes of the full-text index: mapping the file spares copying every page.
    db_->execute("PRAGMA mmap_size = " + std::to_string(mappedBytes) + ";");
    contentlessDelete_ = readContentlessDelete();
    relevanceCut_ = std::make_unique<RelevanceCut>();
    if (!relevanceCut_->install(db_->handle())) {
        relevanceCut_.reset();
    }
}

MemoryStore::~MemoryStore() = default;

bool MemoryStore::readContentlessDelete() {
    try {
        if (auto flag = db_->scalarText("SELECT value FROM meta WHERE key = 'fts_contentless_delete'")) {
            return *flag != "0";
        }
    } catch (const SQLiteError&) {
        return true;
    }
    // Without the flag row the table's own definition tells how it was made. Assuming the newer
    // deletion path on a table made without it would make every later deletion fail.
    try {
        if (auto definition = db_->scalarText("SELECT sql FROM sqlite_master WHERE name = 'frame_fts'")) {
            return definition->find("contentless_delete=1") != std::string::npos;
        }
    } catch (const SQLiteError&) {
    }
    return true;
}

bool MemoryStore::hasSearchAids() {
    return db_->scalarInt("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN "
                          "('frame_apps', 'frame_time_blocks')") == 2;
}

void MemoryStore::migrate() {
    const std::optional<std::int64_t> version = db_->scalarInt("PRAGMA user_version");
    if (!version || *version <= 0) {
        db_->transaction([&] { createSchema(); });
    } else if (*version < schemaVersion) {
        db_->transaction([&] { upgrade(*version); });
    }
}

void MemoryStore::createSchema() {
    const int library = SQLiteDatabase::libraryVersion();
    db_->execute(DatabaseSchema::tablesScript);
    db_->execute(DatabaseSchema::pendingRewritesStatement);
    db_->execute(DatabaseSchema::fullTextStatement(library));
    db_->execute(DatabaseSchema::searchAidsScript);
    db_->run("INSERT OR REPLACE INTO meta (key, value) VALUES ('fts_contentless_delete', ?)",
             {SQLValue::text(DatabaseSchema::supportsContentlessDelete(library) ? "1" : "0")});
    db_->run("INSERT OR IGNORE INTO meta (key, value) VALUES ('created_at', ?)",
             {SQLValue::text(iso8601UTC(currentTime()))});
    db_->execute("PRAGMA user_version = " + std::to_string(schemaVersion));
}

void MemoryStore::upgrade(std::int64_t fromVersion) {
    if (fromVersion < 2) {
        db_->execute(DatabaseSchema::pendingRewritesStatement);
    }
    if (fromVersion < 3) {
        reindexGlyphWords();
    }
    if (fromVersion < 4) {
        db_->execute(DatabaseSchema::searchAidsScript);
        db_->execute(DatabaseSchema::fillSearchAidsScript);
    }
    db_->execute("PRAGMA user_version = " + std::to_string(schemaVersion));
}

std::optional<std::string> MemoryStore::metaValue(const std::string& key) {
    return db_->scalarText("SELECT value FROM meta WHERE key = ?", {SQLValue::text(key)});
}

void MemoryStore::setMetaValue(const std::string& key, const std::optional<std::string>& value) {
    if (value) {
        db_->run("INSERT OR REPLACE INTO meta (key, value) VALUES (?, ?)",
                 {SQLValue::text(key), SQLValue::text(*value)});
    } else {
        db_->run("DELETE FROM meta WHERE key = ?", {SQLValue::text(key)});
    }
}

} // namespace ostrel
