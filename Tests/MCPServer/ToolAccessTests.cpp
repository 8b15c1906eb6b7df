// The gate in front of every tool: a database must exist and the user must have allowed assistants.
#include "ServerProcess.h"

#include "Storage/MemoryStore.h"
#include "Storage/OstrelPaths.h"
#include "Support/Moment.h"
#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

using mcptest::Json;

namespace {

constexpr const char* notRecorded = "Vesperline has not recorded anything yet on this computer. Open the "
                                    "Vesperline app and finish setup first.";
constexpr const char* accessOff =
    "Access is turned off. Ask the user to enable it in Vesperline → Settings → AI → \"Allow assistants like "
    "Claude to search my memory\".";

// Every tool once, with arguments that would fail the tool's own checks.
const std::vector<Json> everyToolBadlyCalled = {
    Json{{"name", "search_screen_memory"}},
    Json{{"name", "get_moment_text"}, {"arguments", {{"moment_id", "abc"}}}},
    Json{{"name", "get_activity"}, {"arguments", {{"date", "22.10.2026"}}}},
    Json{{"name", "recent_screen_activity"}, {"arguments", "minutes"}},
};

Json callTool(mcptest::ServerProcess& server, const Json& params) {
    return server.call(Json{{"jsonrpc", "2.0"}, {"id", 1}, {"method", "tools/call"}, {"params", params}});
}

void expectToolError(const Json& reply, const std::string& text) {
    EXPECT_EQ(
        reply["result"].dump(),
        Json({{"content", Json::array({{{"type", "text"}, {"text", text}}})}, {"isError", true}}).dump());
}

void setAccess(const std::optional<std::string>& value) {
    ostrel::OstrelPaths::ensureDirectories();
    ostrel::MemoryStore store(ostrel::OstrelPaths::databaseURL(), false);
    store.setMetaValue("mcp_enabled", value);
}

TEST(ToolAccess, WithoutADatabaseEveryToolSaysNothingIsRecordedAndCreatesNothing) {
    testsupport::ScopedDataDirectory data;
    mcptest::ServerProcess server;
    for (const Json& params : everyToolBadlyCalled) {
        expectToolError(callTool(server, params), notRecorded);
    }
    EXPECT_EQ(server.finish().exitStatus, 0);
    EXPECT_FALSE(std::filesystem::exists(data.path()));
}

TEST(ToolAccess, EveryToolIsRefusedUnlessTheFlagIsExactlyOne) {
    for (const std::optional<std::string>& value :
         {std::optional<std::string>(), std::optional<std::string>("0"), std::optional<std::string>("yes"),
          std::optional<std::string>("1 "), std::optional<std::string>(" 1"),
          std::optional<std::string>("")}) {
        testsupport::ScopedDataDirectory data;
        setAccess(value);
        mcptest::ServerProcess server;
        for (const Json& params : everyToolBadlyCalled) {
            expectToolError(callTool(server, params), accessOff);
        }
    }
}

TEST(ToolAccess, AFileWithoutTheSettingsTableIsRefused) {
    testsupport::ScopedDataDirectory data;
    ostrel::OstrelPaths::ensureDirectories();
    ostrel::SQLiteDatabase(ostrel::OstrelPaths::databaseURL().string(), false)
        .execute("CREATE TABLE other (x)");
    mcptest::ServerProcess server;
    expectToolError(callTool(server, everyToolBadlyCalled[0]), accessOff);
}

// A memory as the app leaves it: one moment with text, assistants allowed, the journal folded in.
void recordMemory(const std::string& text) {
    ostrel::OstrelPaths::ensureDirectories();
    ostrel::MemoryStore store(ostrel::OstrelPaths::databaseURL(), false);
    store.insertFrame(testsupport::Moment(ostrel::currentTime() - 60)
                          .app("org.example.editor", "Editor")
                          .lines({text})
                          .textSource(ostrel::TextSource::accessibility()));
    store.setMetaValue("mcp_enabled", "1");
}

// Overwrites the first page of `table` with bytes no page can hold.
void damageTable(const std::string& table) {
    const std::filesystem::path file = ostrel::OstrelPaths::databaseURL();
    std::int64_t page = 0;
    std::int64_t pageSize = 0;
    {
        ostrel::SQLiteDatabase db(file.string(), true);
        page = *db.scalarInt("SELECT rootpage FROM sqlite_master WHERE name = ?",
                             {ostrel::SQLValue::text(table)});
        pageSize = *db.scalarInt("PRAGMA page_size");
    }
    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    stream.seekp((page - 1) * pageSize);
    stream << std::string(static_cast<std::size_t>(pageSize), '\xff');
}

Json searchFor(const std::string& query) {
    return Json{{"name", "search_screen_memory"}, {"arguments", {{"query", query}}}};
}

TEST(ToolAccess, ADamagedMemoryGetsAPlainAnswerAndTheNextCallLooksAgain) {
    constexpr const char* damaged =
        "Vesperline's memory database is damaged and cannot be read. Ask the user to "
        "open the Vesperline app, which offers to recover it.";
    const std::vector<std::pair<const char*, std::function<void()>>> damages = {
        {"no database at all",
         [] { std::ofstream(ostrel::OstrelPaths::databaseURL()) << std::string(4096, 'x'); }},
        {"damaged settings table",
         [] {
             recordMemory("quarterly figures");
             damageTable("meta");
         }},
        {"damaged full-text index",
         [] {
             recordMemory("quarterly figures");
             damageTable("frame_fts_data");
         }},
    };
    for (const auto& [name, damage] : damages) {
        SCOPED_TRACE(name);
        testsupport::ScopedDataDirectory data;
        ostrel::OstrelPaths::ensureDirectories();
        damage();
        mcptest::ServerProcess server;
        expectToolError(callTool(server, searchFor("quarterly")), damaged);

        // The app sets the damaged file aside and starts a new memory: the same session reads it.
        const std::filesystem::path file = ostrel::OstrelPaths::databaseURL();
        std::filesystem::rename(file, file.string() + ".damaged");
        recordMemory("quarterly figures");
        const Json reply = callTool(server, searchFor("quarterly"));
        EXPECT_FALSE(reply["result"]["isError"].get<bool>()) << reply.dump();
        EXPECT_EQ(server.finish().errors, "");
    }
}

TEST(ToolAccess, AMemoryReplacedOrErasedDuringTheSessionIsNeverServedStale) {
    testsupport::ScopedDataDirectory data;
    recordMemory("first memory");
    mcptest::ServerProcess server;
    const auto found = [&](const std::string& word) {
        const Json reply = callTool(server, searchFor(word));
        return reply["result"]["content"][0]["text"].get<std::string>().starts_with("Found 1 moment(s)");
    };
    EXPECT_TRUE(found("first"));

    // What the app adds while the session runs is seen at the next call.
    {
        ostrel::MemoryStore store(ostrel::OstrelPaths::databaseURL(), false);
        store.insertFrame(
            testsupport::Moment(ostrel::currentTime() - 30).app("org.example.editor").lines({"later words"}));
    }
    EXPECT_TRUE(found("later"));

    // Erased: nothing is served and nothing is created, however long the old file stays open here.
    const std::filesystem::path file = ostrel::OstrelPaths::databaseURL();
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::filesystem::remove(file.string() + suffix);
    }
    expectToolError(callTool(server, searchFor("first")), notRecorded);
    EXPECT_FALSE(std::filesystem::exists(file));

    // A new memory in its place is the one read.
    recordMemory("second memory");
    EXPECT_FALSE(found("first"));
    EXPECT_TRUE(found("second"));
    EXPECT_EQ(server.finish().errors, "");
}

TEST(ToolAccess, TurningAccessOnOrOffTakesEffectAtTheNextCall) {
    testsupport::ScopedDataDirectory data;
    setAccess("0");
    mcptest::ServerProcess server;
    const Json params = Json{{"name", "get_activity"}, {"arguments", {{"date", "22.10.2026"}}}};
    expectToolError(callTool(server, params), accessOff);
    setAccess("1");
    expectToolError(callTool(server, params), "date must look like 2026-10-22");
    setAccess("0");
    expectToolError(callTool(server, params), accessOff);
    EXPECT_EQ(server.finish().errors, "");
}

} // namespace
