#pragma once

#include "Storage/SQLiteDatabase.h"

#include <optional>
#include <string>

namespace testsupport {

// How a store's writes fail, as SQLite reports a full disk and a data folder it may not write.
enum class WriteFailure { diskFull, readOnly };

// Makes the writer connection `db` fail from now on: with SQLite's full-disk error for whatever needs
// a page the file does not have yet (it may not grow), or with its read-only error for every write;
// none lets it write again. Run it on the connection's queue.
inline void failWrites(ostrel::SQLiteDatabase& db, std::optional<WriteFailure> failure) {
    const std::int64_t pages = db.scalarInt("PRAGMA page_count").value_or(0);
    db.execute("PRAGMA max_page_count = " +
               std::to_string(failure == WriteFailure::diskFull ? pages : 1073741823) + ";");
    db.execute(failure == WriteFailure::readOnly ? "PRAGMA query_only = 1;" : "PRAGMA query_only = 0;");
}

} // namespace testsupport
