#pragma once

#include "ServerProcess.h"

#include "Storage/MemoryStore.h"
#include "Storage/OstrelPaths.h"
#include "Support/Moment.h"
#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <memory>

namespace mcptest {

// "yyyy-MM-dd HH:mm:ss" as local time in the process's time zone (TZ).
inline ostrel::Time localTime(const char* text) {
    std::tm fields{};
    std::sscanf(text, "%d-%d-%d %d:%d:%d", &fields.tm_year, &fields.tm_mon, &fields.tm_mday, &fields.tm_hour,
                &fields.tm_min, &fields.tm_sec);
    fields.tm_year -= 1900;
    fields.tm_mon -= 1;
    fields.tm_isdst = -1;
    return static_cast<ostrel::Time>(std::mktime(&fields));
}

// `format` (strftime) of a time in the process's time zone.
inline std::string localText(ostrel::Time time, const char* format) {
    const std::time_t seconds = static_cast<std::time_t>(time);
    std::tm fields{};
    ::localtime_r(&seconds, &fields);
    char text[64];
    std::strftime(text, sizeof text, format, &fields);
    return text;
}

// A memory in a temporary data folder that assistants may read, and a server started on it.
class MemoryFixture : public testing::Test {
  protected:
    MemoryFixture() {
        ostrel::OstrelPaths::ensureDirectories();
        store = std::make_unique<ostrel::MemoryStore>(ostrel::OstrelPaths::databaseURL(), false);
        store->setMetaValue("mcp_enabled", "1");
    }

    void addSpan(const char* start, const char* end, const std::optional<std::string>& appName,
                 const std::optional<std::string>& project = std::nullopt,
                 const std::optional<std::string>& bundleID = std::nullopt) {
        ostrel::ActivitySpan span;
        span.start = localTime(start);
        span.end = localTime(end);
        span.appName = appName;
        span.appBundleID = bundleID;
        span.project = project;
        store->insertActivity(span);
    }

    struct Moment {
        ostrel::Time timestamp = 0;
        std::optional<std::string> appName;
        std::optional<std::string> bundleID;
        std::optional<std::string> windowTitle;
        std::optional<std::string> url;
        std::vector<std::string> lines;
        std::uint32_t displayID = 1;
    };

    // Stores a text-only moment; returns its id.
    std::int64_t addFrame(const Moment& moment) {
        return store->insertFrame(testsupport::Moment(moment.timestamp, moment.displayID)
                                      .app(moment.bundleID, moment.appName)
                                      .title(moment.windowTitle)
                                      .url(moment.url)
                                      .lines(moment.lines)
                                      .textSource(ostrel::TextSource::accessibility()));
    }

    // The tool's result: its text, and whether it is an error.
    std::pair<std::string, bool> callTool(const std::string& name, const Json& arguments = Json::object()) {
        ServerProcess& process = server();
        const Json reply = process.call(Json{{"jsonrpc", "2.0"},
                                             {"id", 1},
                                             {"method", "tools/call"},
                                             {"params", {{"name", name}, {"arguments", arguments}}}});
        const Json& result = reply["result"];
        EXPECT_EQ(result.size(), 2u) << reply.dump();
        return {result["content"][0]["text"].get<std::string>(), result["isError"].get<bool>()};
    }

    // The text of a successful call; fails the test when the call answered an error.
    std::string toolText(const std::string& name, const Json& arguments = Json::object()) {
        auto [text, isError] = callTool(name, arguments);
        EXPECT_FALSE(isError) << text;
        return text;
    }

    ServerProcess& server() {
        if (!process_) {
            process_ = std::make_unique<ServerProcess>();
        }
        return *process_;
    }

    testsupport::ScopedDataDirectory data;
    std::unique_ptr<ostrel::MemoryStore> store;

  private:
    std::unique_ptr<ServerProcess> process_;
};

} // namespace mcptest
