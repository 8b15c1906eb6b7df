// A memory rebuilt from a damaged one: every row read in full goes over, the full-text index is made
// again from the stored texts, and damage outside the index stops the rebuild.
#include "TestStore.h"

#include "Storage/SQLiteError.h"
#include "Support/DamagedPages.h"
#include "Support/Moment.h"

#include <sqlite3.h>

namespace {

using namespace ostrel;
namespace fs = std::filesystem;

constexpr Time noon = 1'741'338'000;

class MemoryStoreRebuildTest : public testsupport::TestStore {
  protected:
    MemoryStoreRebuildTest() {
        const std::int64_t segment = store->openSegment("segments/2025-03-07/1-1.mp4", 1, noon, 1920, 1080);
        store->closeSegment(segment, noon + 60, 3, 4096);
        ids.push_back(store->insertFrame(testsupport::Moment(noon)
                                             .app("org.example.editor", "Editor")
                                             .title("Harbour report")
                                             .lines({"tides and quays"})
                                             .inSegment(segment, 0)));
        ids.push_back(store->insertFrame(testsupport::Moment(noon + 30)
                                             .app("org.example.browser", "Browser")
                                             .title("Ferry times")
                                             .url("https://www.example.org/ferries")
                                             .lines({"departures from the quay", "north pier"})));
        ids.push_back(store->insertFrame(testsupport::Moment(noon + 60).app("org.example.editor", "Editor")));
        store->addText(ids[2], {"late note on tides"}, TextSource::ocr(), OCRState::done);
        ActivitySpan span;
        span.start = noon;
        span.end = noon + 90;
        span.appBundleID = "org.example.editor";
        store->insertActivity(span);
        StatsDelta delta;
        delta.framesSaved = 3;
        store->addStats(MemoryStore::dayKey(noon), delta);
        store->saveSummary(MemoryStore::dayKey(noon), "A day at the harbour", "model");
        store->setMetaValue("mcp_enabled", "1");
        store->deleteFrames({store->insertFrame(testsupport::Moment(noon + 90).inSegment(segment, 2))});
        createdAt = *store->metaValue("created_at");
        store->checkpoint();
        store.reset();
    }

    // Every row of the tables that hold the memory, as text, table by table. (The bounds of the
    // time blocks are made afresh from the moments kept.)
    static std::vector<std::string> rows(SQLiteDatabase& db) {
        std::vector<std::string> all;
        for (const char* table : {"frames", "frame_text", "segments", "activity", "daily_stats", "summaries",
                                  "pending_rewrites", "frame_apps"}) {
            db.readRows(std::string("SELECT * FROM ") + table + " ORDER BY 1", {}, false,
                        [&](const SQLRow& row) {
                            std::string text = table;
                            for (int column = 0; column < sqlite3_column_count(row.statement); ++column) {
                                text += "|" + row.text(column).value_or("NULL");
                            }
                            all.push_back(text);
                            return true;
                        });
        }
        return all;
    }
    std::vector<std::int64_t> found(MemoryStore& memory, const std::string& text) {
        std::vector<std::int64_t> hits;
        for (const SearchHit& hit : memory.search(
                 SearchQuery(text, std::nullopt, std::nullopt, {}, 10, SearchQuery::Sort::newest), noon)) {
            hits.push_back(hit.frame.id);
        }
        return hits;
    }

    fs::path rebuilt = dataDirectory.path() / "rebuilt.sqlite";
    std::vector<std::int64_t> ids;
    std::string createdAt;
};

TEST_F(MemoryStoreRebuildTest, EveryRowGoesOverAndTheIndexIsMadeAgainFromTheText) {
    std::vector<std::string> before;
    {
        MemoryStore original(databaseFile(), true);
        before = rows(original.db());
    }
    testsupport::damageFirstPage(databaseFile(), "frame_fts_data");
    {
        MemoryStore damaged(databaseFile(), true);
        try {
            found(damaged, "quay");
            FAIL() << "the index should be damaged";
        } catch (const SQLiteError& error) {
            EXPECT_TRUE(error.isDamage()) << error.what();
        }
    }
    {
        // Merging the index, the one maintenance that used to pass over every failure, tells of it.
        MemoryStore writer(databaseFile(), false);
        try {
            writer.optimize();
            FAIL() << "merging a damaged index should fail";
        } catch (const SQLiteError& error) {
            EXPECT_TRUE(error.isDamage()) << error.what();
        }
    }

    MemoryStore::rebuild(databaseFile(), rebuilt);
    MemoryStore memory(rebuilt, false);
    EXPECT_EQ(rows(memory.db()), before);
    EXPECT_EQ(memory.db().scalarDouble("SELECT max_ts FROM frame_time_blocks WHERE block = 0"), noon + 60);
    EXPECT_EQ(memory.metaValue("mcp_enabled"), "1");
    EXPECT_EQ(memory.metaValue("created_at"), createdAt);
    const std::pair<const char*, std::vector<std::int64_t>> searches[] = {
        {"quay", {ids[1], ids[0]}}, {"tides", {ids[2], ids[0]}}, {"example.org", {ids[1]}},
        {"harbour", {ids[0]}},      {"note", {ids[2]}},
    };
    for (const auto& [text, expected] : searches) {
        EXPECT_EQ(found(memory, text), expected) << text;
    }
    // The index deletes as its own table does, so deleting leaves it whole.
    memory.deleteFrames({ids[1]});
    EXPECT_EQ(found(memory, "quay"), std::vector{ids[0]});
    EXPECT_NO_THROW(memory.db().execute("INSERT INTO frame_fts(frame_fts) VALUES('integrity-check');"));
    EXPECT_EQ(memory.db().scalarText("PRAGMA quick_check"), "ok");
}

TEST_F(MemoryStoreRebuildTest, DamageOutsideTheIndexOrAnotherSchemaStopsTheRebuild) {
    {
        SQLiteDatabase newer(databaseFile().string(), false);
        newer.execute("PRAGMA user_version = " + std::to_string(MemoryStore::schemaVersion + 1));
    }
    try {
        MemoryStore::rebuild(databaseFile(), rebuilt);
        FAIL() << "a file of another schema is not copied column for column";
    } catch (const SQLiteError& error) {
        EXPECT_EQ(error.code(), 0);
    }
    fs::remove(rebuilt);
    {
        SQLiteDatabase db(databaseFile().string(), false);
        db.execute("PRAGMA user_version = " + std::to_string(MemoryStore::schemaVersion));
    }
    testsupport::damageFirstPage(databaseFile(), "frames");
    try {
        MemoryStore::rebuild(databaseFile(), rebuilt);
        FAIL() << "moments that cannot be read are no memory to rebuild";
    } catch (const SQLiteError& error) {
        EXPECT_TRUE(error.isDamage()) << error.what();
    }
}

} // namespace
