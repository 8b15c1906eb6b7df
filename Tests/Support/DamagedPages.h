#pragma once

#include "Storage/SQLValue.h"
#include "Storage/SQLiteDatabase.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace testsupport {

// Overwrites the first page of `table` (its root, which every read of it goes through) in the
// database file with bytes no page of SQLite's holds, as a failing disk leaves them. Checkpoint the
// file first, so that no newer copy of the page waits in its log. Returns the page's number.
inline std::int64_t damageFirstPage(const std::filesystem::path& databaseFile, const std::string& table) {
    std::int64_t pageSize = 0;
    std::int64_t page = 0;
    {
        ostrel::SQLiteDatabase db(databaseFile.string(), true);
        pageSize = db.scalarInt("PRAGMA page_size").value_or(4096);
        page =
            db.scalarInt("SELECT rootpage FROM sqlite_master WHERE name = ?", {ostrel::SQLValue::text(table)})
                .value_or(0);
    }
    if (page > 1) {
        std::fstream file(databaseFile, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp((page - 1) * pageSize);
        const std::string garbage(static_cast<std::size_t>(pageSize), '\xA5');
        file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    }
    return page;
}

} // namespace testsupport
