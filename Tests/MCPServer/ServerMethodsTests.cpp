// The protocol methods: initialize, ping, tools/list, tools/call names, and request errors.
#include "ServerProcess.h"

#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

using mcptest::Json;

namespace {

class ServerMethods : public testing::Test {
  protected:
    Json call(const std::string& method, const Json& params = nullptr) {
        Json request{{"jsonrpc", "2.0"}, {"id", 1}, {"method", method}};
        if (!params.is_null()) {
            request["params"] = params;
        }
        return server.call(request);
    }

    testsupport::ScopedDataDirectory data;
    mcptest::ServerProcess server;
};

TEST_F(ServerMethods, InitializeEchoesSupportedVersionsAndOtherwiseAnswersTheNewest) {
    const std::vector<std::pair<Json, std::string>> cases = {
        {Json{{"protocolVersion", "2025-06-18"}}, "2025-06-18"},
        {Json{{"protocolVersion", "2025-03-26"}}, "2025-03-26"},
        {Json{{"protocolVersion", "2024-11-05"}}, "2024-11-05"},
        {Json{{"protocolVersion", "2099-01-01"}}, "2025-06-18"},
        {Json{{"protocolVersion", 20250326}}, "2025-06-18"},
        {nullptr, "2025-06-18"},
    };
    for (const auto& [params, expected] : cases) {
        const Json reply = call("initialize", params);
        EXPECT_EQ(reply["result"]["protocolVersion"], expected) << params.dump();
    }
    const Json result = call("initialize")["result"];
    EXPECT_EQ(
        result.dump(),
        Json({{"protocolVersion", "2025-06-18"},
              {"capabilities", {{"tools", {{"listChanged", false}}}}},
              {"serverInfo",
               {{"name", "vesperline"},
                {"title", "Vesperline — Screen Memory"},
                {"version", VESPERLINE_VERSION}}},
              {"instructions",
               "Vesperline is the user's private, on-device memory of everything they have seen on their "
               "computer screen. Use search_screen_memory to find text they saw earlier (IDs, articles, "
               "messages, settings), get_moment_text to read a full screen, get_activity for what they "
               "worked on during a day, and recent_screen_activity for the last minutes. Quote what you "
               "find and mention when it was seen."}})
            .dump());
}

TEST_F(ServerMethods, RequestErrorsCarryTheRequestId) {
    EXPECT_EQ(server.call(Json{{"id", "x"}, {"method", 5}}).dump(),
              R"({"jsonrpc":"2.0","id":"x","error":{"code":-32600,"message":"Invalid request"}})");
    EXPECT_EQ(server.call(Json{{"id", 3}}).dump(),
              R"({"jsonrpc":"2.0","id":3,"error":{"code":-32600,"message":"Invalid request"}})");
    EXPECT_EQ(
        call("resources/list").dump(),
        R"({"jsonrpc":"2.0","id":1,"error":{"code":-32601,"message":"Method not found: resources/list"}})");
    EXPECT_EQ(call("Ping").dump(),
              R"({"jsonrpc":"2.0","id":1,"error":{"code":-32601,"message":"Method not found: Ping"}})");
}

TEST_F(ServerMethods, NotificationsAreNeverAnswered) {
    // Not even a malformed one or one naming a tool call; the ping after them is the next line out.
    server.send(
        "{\"method\":\"ping\"}\n{\"method\":5}\n{\"method\":\"tools/call\",\"params\":{\"name\":\"x\"}}\n"
        "{\"method\":\"notifications/initialized\"}\n");
    EXPECT_EQ(call("ping").dump(), R"({"jsonrpc":"2.0","id":1,"result":{}})");
}

TEST_F(ServerMethods, ToolsListHasTheFourDefinitionsInOrder) {
    const Json tools = call("tools/list")["result"]["tools"];
    ASSERT_EQ(tools.size(), 4u);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"search_screen_memory", "Search screen memory"},
        {"get_moment_text", "Read a moment"},
        {"get_activity", "Work log for a day"},
        {"recent_screen_activity", "Recent screen activity"},
    };
    for (std::size_t i = 0; i < tools.size(); ++i) {
        const Json& tool = tools[i];
        EXPECT_EQ(tool.size(), 5u);
        EXPECT_EQ(tool["name"], expected[i].first);
        EXPECT_EQ(tool["title"], expected[i].second);
        EXPECT_TRUE(tool["description"].is_string());
        EXPECT_EQ(tool["annotations"].dump(), R"({"readOnlyHint":true,"openWorldHint":false})");
        EXPECT_EQ(tool["inputSchema"]["type"], "object");
        for (const auto& [property, schema] : tool["inputSchema"]["properties"].items()) {
            EXPECT_FALSE(schema.contains("default")) << property;
        }
    }
    EXPECT_EQ(tools[0]["inputSchema"]["required"].dump(), R"(["query"])");
    EXPECT_EQ(tools[1]["inputSchema"]["required"].dump(), R"(["moment_id"])");
    EXPECT_FALSE(tools[2]["inputSchema"].contains("required"));
    EXPECT_FALSE(tools[3]["inputSchema"].contains("required"));
    EXPECT_EQ(
        tools[0]["inputSchema"]["properties"]["limit"].dump(),
        R"({"type":"integer","minimum":1,"maximum":25,"description":"Maximum results (1-25). Default 10."})");
    EXPECT_EQ(tools[0]["inputSchema"]["properties"]["sort"]["enum"].dump(), R"(["relevance","newest"])");
    EXPECT_EQ(
        tools[3]["inputSchema"]["properties"]["minutes"].dump(),
        R"({"type":"integer","minimum":1,"maximum":1440,"description":"How far back to look. Default 30, max 1440."})");
    const std::string queryHelp = tools[0]["inputSchema"]["properties"]["query"]["description"];
    EXPECT_TRUE(queryHelp.starts_with("Words to look for. Example: \"")) << queryHelp;
    EXPECT_NE(queryHelp.find("\" site:"), std::string::npos) << queryHelp;
}

TEST_F(ServerMethods, UnknownToolNamesAreRequestErrors) {
    const std::vector<std::pair<Json, std::string>> cases = {
        {Json{{"name", "Search_Screen_Memory"}}, "Unknown tool: Search_Screen_Memory"},
        {Json{{"name", 7}}, "Unknown tool: "},
        {Json::object(), "Unknown tool: "},
        {Json::array({1, 2}), "Unknown tool: "},
    };
    for (const auto& [params, message] : cases) {
        const Json reply = call("tools/call", params);
        EXPECT_EQ(reply["error"]["code"], -32602) << params.dump();
        EXPECT_EQ(reply["error"]["message"], message) << params.dump();
        EXPECT_EQ(reply["error"].size(), 2u);
    }
}

} // namespace
