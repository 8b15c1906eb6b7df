// The gate in front of every tool: a database must exist and the user must have allowed assistants.
#include "ServerProcess.h"

#include "Storage/MemoryStore.h"
#include "Storage/OstrelPaths.h"
#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <fstream>

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

TEST(ToolAccess, AFileThatIsNoDatabaseIsAnErrorResult) {
    testsupport::ScopedDataDirectory data;
    ostrel::OstrelPaths::ensureDirectories();
    std::ofstream(ostrel::OstrelPaths::databaseURL()) << std::string(4096, 'x');
    mcptest::ServerProcess server;
    const Json reply = callTool(server, everyToolBadlyCalled[0]);
    EXPECT_TRUE(reply["result"]["isError"].get<bool>());
    const std::string text = reply["result"]["content"][0]["text"];
    EXPECT_TRUE(text.starts_with("Error: SQLite ")) << text;
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
