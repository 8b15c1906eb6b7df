#include "Storage/MemoryStore.h"

#include "Storage/SQLiteError.h"

namespace ostrel {
namespace {

// The tables of the schema whose rows are the memory, in an order that lets the search aids'
// triggers fill frame_apps and frame_time_blocks from the moments as they come.
constexpr const char* copiedTables[] = {"frames",      "frame_text", "segments",        "activity",
                                        "daily_stats", "summaries",  "pending_rewrites"};

} // namespace

void MemoryStore::rebuild(const std::filesystem::path& source, const std::filesystem::path& destination) {
    MemoryStore fresh(destination, false);
    SQLiteDatabase& db = *fresh.db_;
    db.run("ATTACH DATABASE ? AS damaged", {SQLValue::text(source.string())}, false);
    try {
        // Rows are copied column for column: only a file of this very schema can be.
        const std::optional<std::int64_t> version = db.scalarInt("PRAGMA damaged.user_version");
        if (version != schemaVersion) {
            throw SQLiteError(0, "the memory has schema version " + std::to_string(version.value_or(0)) +
                                     ", not " + std::to_string(schemaVersion));
        }
        db.transaction([&] {
            for (const char* table : copiedTables) {
                db.execute(std::string("INSERT INTO main.") + table + " SELECT * FROM damaged." + table +
                           ";");
            }
            // The memory's settings and creation time go over; how the new index deletes stays its own.
            db.execute("INSERT OR REPLACE INTO main.meta SELECT * FROM damaged.meta WHERE key <> "
                       "'fts_contentless_delete';");
            fresh.indexEveryText();
        });
    } catch (...) {
        try {
            db.execute("DETACH DATABASE damaged");
        } catch (const SQLiteError&) {
            // The store closes anyway; the failure that matters is the one above.
        }
        throw;
    }
    db.execute("DETACH DATABASE damaged");
}

} // namespace ostrel
