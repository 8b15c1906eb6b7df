// What the server leaves in the data folder: it reads the database, and makes no file that stays.
#include "ServerProcess.h"

#include "Storage/MemoryStore.h"
#include "Storage/OstrelPaths.h"
#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using mcptest::Json;

namespace {

std::vector<std::string> dataFolderFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(ostrel::OstrelPaths::rootDirectory())) {
        if (entry.is_regular_file()) {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

Json activityCall() {
    return Json{{"jsonrpc", "2.0"},
                {"id", 1},
                {"method", "tools/call"},
                {"params", {{"name", "get_activity"}, {"arguments", {{"date", "2026-10-22"}}}}}};
}

TEST(DatabaseFiles, ReadingLeavesNoFileBehindAndTheAppsCompanionsAlone) {
    testsupport::ScopedDataDirectory data;
    ostrel::OstrelPaths::ensureDirectories();
    {
        ostrel::MemoryStore app(ostrel::OstrelPaths::databaseURL(), false);
        app.setMetaValue("mcp_enabled", "1");
    } // the app has quit: only the database is left
    ASSERT_EQ(dataFolderFiles(), std::vector<std::string>{"ostrel.sqlite"});

    {
        // The session keeps its connection between calls; what it made goes when the session ends.
        mcptest::ServerProcess server;
        EXPECT_FALSE(server.call(activityCall())["result"]["isError"].get<bool>());
        EXPECT_EQ(server.finish().exitStatus, 0);
    }
    EXPECT_EQ(dataFolderFiles(), std::vector<std::string>{"ostrel.sqlite"}) << "after a session";

    // While the app runs, its log and shared memory stay as they are, and it goes on writing.
    ostrel::MemoryStore app(ostrel::OstrelPaths::databaseURL(), false);
    app.setMetaValue("written", "before");
    mcptest::ServerProcess server;
    EXPECT_FALSE(server.call(activityCall())["result"]["isError"].get<bool>());
    EXPECT_EQ(server.finish().exitStatus, 0);
    EXPECT_EQ(dataFolderFiles(),
              (std::vector<std::string>{"ostrel.sqlite", "ostrel.sqlite-shm", "ostrel.sqlite-wal"}));
    app.setMetaValue("written", "after");
    EXPECT_EQ(app.metaValue("written"), "after");
}

} // namespace
