// The official MCP TypeScript SDK client against the built server, over stdio.
#include "MemoryFixture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>

using mcptest::Json;

namespace {

bool nodeIsInstalled() {
    return std::system("command -v node >/dev/null 2>&1") == 0;
}

std::string commandOutput(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        return output;
    }
    std::array<char, 4096> chunk;
    while (const std::size_t count = std::fread(chunk.data(), 1, chunk.size(), pipe)) {
        output.append(chunk.data(), count);
    }
    ::pclose(pipe);
    return output;
}

std::string quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

TEST(SDKClient, ListsToolsAndCallsOneWithAccessOffAndOn) {
    if (!nodeIsInstalled()) {
        GTEST_SKIP() << "node is missing, so the MCP SDK client cannot be run";
    }
    const std::filesystem::path sdk = VESPERLINE_MCP_SDK_DIR;
    ASSERT_TRUE(std::filesystem::exists(sdk / "node_modules/@modelcontextprotocol/sdk/package.json"))
        << "the MCP SDK is not installed in " << sdk
        << ": run scripts/install-deps or scripts/install-mcp-sdk";

    testsupport::TemporaryDirectory folders;
    const std::filesystem::path off = folders.path() / "off";
    const std::filesystem::path on = folders.path() / "on";
    for (const auto& [folder, allowed] : {std::pair(off, "0"), std::pair(on, "1")}) {
        std::filesystem::create_directories(folder);
        ostrel::MemoryStore store(folder / "ostrel.sqlite", false);
        store.setMetaValue("mcp_enabled", allowed);
        store.insertFrame(testsupport::Moment(mcptest::localTime("2026-10-22 10:00:00"), 0)
                              .app(std::nullopt, "Notes")
                              .title("Birds")
                              .lines({"a pelican on the pier"}));
    }

    const std::string output =
        commandOutput("timeout 60 node " + quoted(sdk / "sdk-client.mjs") + " " +
                      quoted(VESPERLINE_MCP_PATH) + " " + quoted(off) + " " + quoted(on));
    const Json seen = Json::parse(output, nullptr, false);
    ASSERT_TRUE(seen.is_object()) << output;
    for (const char* session : {"off", "on"}) {
        EXPECT_EQ(seen[session]["tools"].dump(),
                  R"(["search_screen_memory","get_moment_text","get_activity","recent_screen_activity"])");
        EXPECT_EQ(seen[session]["server"]["name"], "vesperline");
        EXPECT_EQ(seen[session]["stderr"], "");
    }
    EXPECT_EQ(seen["off"]["result"].dump(),
              Json({{"content",
                     Json::array({{{"type", "text"},
                                   {"text", "Access is turned off. Ask the user to enable it in Vesperline → "
                                            "Settings → AI → \"Allow assistants like Claude to search my "
                                            "memory\"."}}})},
                    {"isError", true}})
                  .dump());
    EXPECT_EQ(seen["on"]["result"]["isError"], false);
    const std::string found = seen["on"]["result"]["content"][0]["text"];
    EXPECT_TRUE(found.starts_with(
        "Found 1 moment(s) for \"pelican\":\n\n• [moment 1] 2026-10-22 10:00 — Notes — Birds\n"))
        << found;
}

} // namespace
