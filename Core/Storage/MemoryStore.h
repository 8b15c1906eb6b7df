#pragma once

#include "Storage/SQLiteDatabase.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

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

    // ---- Reading moments, timeline and window contexts ----------------------------------------

    // ---- Activity, statistics, storage and summaries ------------------------------------------

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
