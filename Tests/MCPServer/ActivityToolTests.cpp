// "get_activity": a local day's work log as text (TZ is Europe/Istanbul, UTC+3 all year).
#include "MemoryFixture.h"

#include <gtest/gtest.h>

using mcptest::Json;
using mcptest::localTime;

namespace {

class ActivityTool : public mcptest::MemoryFixture {
  protected:
    std::string dayLog() { return toolText("get_activity", Json{{"date", "2026-10-22"}}); }
};

TEST_F(ActivityTool, WritesTotalsByAppAndProjectAndAMergedTimeline) {
    addSpan("2026-10-22 09:00:00", "2026-10-22 10:00:00", "Code", "vesperline", "code");
    addSpan("2026-10-22 10:00:30", "2026-10-22 10:45:00", "Firefox", "github.com", "firefox");
    addSpan("2026-10-22 10:46:00", "2026-10-22 11:05:00", std::nullopt, std::nullopt, "code");
    addSpan("2026-10-22 11:05:00", "2026-10-22 11:06:10", "Code", "other", "code");
    addSpan("2026-10-21 09:00:00", "2026-10-21 10:00:00", "Yesterday");
    EXPECT_EQ(dayLog(), "Activity on 2026-10-22 — total 2 h 4 min\n"
                        "From 09:00 to 11:06\n"
                        "\n"
                        "By app:\n"
                        "• Code: 1 h 20 min\n"
                        "• Firefox: 44 min\n"
                        "\n"
                        "By project / site:\n"
                        "• vesperline: 1 h 0 min\n"
                        "• github.com: 44 min\n"
                        "• other: 1 min\n"
                        "\n"
                        "Timeline:\n"
                        "• 09:00–10:00 Code (vesperline)\n"
                        "• 10:00–10:45 Firefox (github.com)\n"
                        "• 10:46–11:05 code\n"
                        "• 11:05–11:06 Code (other)");
}

TEST_F(ActivityTool, ChoosesTheDayFromTheDateArgument) {
    addSpan("2026-10-22 09:00:00", "2026-10-22 10:00:00", "Code");
    const std::string today = mcptest::localText(ostrel::currentTime(), "%Y-%m-%d");
    const std::string nothingToday = "No activity recorded on " + today + ".";
    EXPECT_EQ(toolText("get_activity"), nothingToday);
    EXPECT_EQ(toolText("get_activity", Json{{"date", ""}}), nothingToday);
    EXPECT_EQ(toolText("get_activity", Json{{"date", 20261022}}), nothingToday);
    EXPECT_EQ(toolText("get_activity", Json{{"date", "2026-10-23"}}), "No activity recorded on 2026-10-23.");
    for (const char* bad : {"22.10.2026", "2026/10/22", "2026-10-22T10:00", "yesterday", "2026-02-30"}) {
        const auto [text, isError] = callTool("get_activity", Json{{"date", bad}});
        EXPECT_TRUE(isError) << bad;
        EXPECT_EQ(text, "date must look like 2026-10-22") << bad;
    }
}

TEST_F(ActivityTool, CutsSpansAtTheDayEdges) {
    addSpan("2026-10-21 23:30:00", "2026-10-22 00:20:00", "Code");
    addSpan("2026-10-22 23:00:00", "2026-10-23 01:00:00", "Terminal");
    EXPECT_EQ(dayLog(), "Activity on 2026-10-22 — total 1 h 20 min\n"
                        "From 00:00 to 00:00\n"
                        "\n"
                        "By app:\n"
                        "• Terminal: 1 h 0 min\n"
                        "• Code: 20 min\n"
                        "\n"
                        "Timeline:\n"
                        "• 00:00–00:20 Code\n"
                        "• 23:00–00:00 Terminal");
}

TEST_F(ActivityTool, WritesDurationsInWholeMinutes) {
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"2026-10-22 10:00:59", "<1 min"},    {"2026-10-22 10:01:00", "1 min"},
        {"2026-10-22 10:59:59", "59 min"},    {"2026-10-22 11:00:00", "1 h 0 min"},
        {"2026-10-22 12:05:00", "2 h 5 min"},
    };
    for (const auto& [end, duration] : cases) {
        store->db().execute("DELETE FROM activity");
        addSpan("2026-10-22 10:00:00", end, "Code");
        const std::string log = dayLog();
        EXPECT_TRUE(log.starts_with("Activity on 2026-10-22 — total " + duration + "\n")) << log;
        EXPECT_NE(log.find("\n• Code: " + duration + "\n"), std::string::npos) << log;
    }
}

TEST_F(ActivityTool, ADayOfOnlyShortBlocksEndsWithTheTimelineHeading) {
    addSpan("2026-10-22 10:00:00", "2026-10-22 10:00:59", "Code");
    EXPECT_EQ(dayLog(), "Activity on 2026-10-22 — total <1 min\n"
                        "From 10:00 to 10:00\n"
                        "\n"
                        "By app:\n"
                        "• Code: <1 min\n"
                        "\n"
                        "Timeline:");
}

std::string timelineOf(const std::string& log) {
    return log.substr(log.find("Timeline:"));
}

TEST_F(ActivityTool, MergesSpansOfOneAppLessThanTwoMinutesApart) {
    addSpan("2026-10-22 10:00:00", "2026-10-22 10:20:00", "Code", "first");
    addSpan("2026-10-22 10:21:30", "2026-10-22 10:40:00", "Code", "second");
    addSpan("2026-10-22 11:00:00", "2026-10-22 11:20:00", "Code");
    addSpan("2026-10-22 11:22:00", "2026-10-22 11:40:00", "Code");
    // The same name written with a combining accent is the same app.
    addSpan("2026-10-22 12:00:00", "2026-10-22 12:10:00", "Caf\u00e9");
    addSpan("2026-10-22 12:10:00", "2026-10-22 12:20:00", "Cafe\u0301");
    EXPECT_EQ(timelineOf(dayLog()), "Timeline:\n"
                                    "• 10:00–10:40 Code (first)\n"
                                    "• 11:00–11:20 Code\n"
                                    "• 11:22–11:40 Code\n"
                                    "• 12:00–12:20 Caf\u00e9");
}

TEST_F(ActivityTool, AShortSwitchKeepsTwoStretchesApartWithoutBeingShown) {
    addSpan("2026-10-22 10:00:00", "2026-10-22 10:30:00", "A");
    addSpan("2026-10-22 10:30:00", "2026-10-22 10:30:40", "B");
    addSpan("2026-10-22 10:30:40", "2026-10-22 11:00:00", "A");
    const std::string log = dayLog();
    EXPECT_EQ(timelineOf(log), "Timeline:\n• 10:00–10:30 A\n• 10:30–11:00 A");
    EXPECT_NE(log.find("\n• B: <1 min\n"), std::string::npos) << log;
}

TEST_F(ActivityTool, ListsAtMostTwelveAppsAndSixtyBlocks) {
    for (int i = 0; i < 70; ++i) {
        char start[32], end[32];
        std::snprintf(start, sizeof start, "2026-10-22 %02d:%02d:00", 8 + i / 12, (i % 12) * 5);
        std::snprintf(end, sizeof end, "2026-10-22 %02d:%02d:00", 8 + i / 12, (i % 12) * 5 + 2);
        addSpan(start, end, "App " + std::to_string(i % 15));
    }
    const std::string log = dayLog();
    const std::string apps = log.substr(log.find("By app:"), log.find("Timeline:") - log.find("By app:"));
    EXPECT_EQ(std::count(apps.begin(), apps.end(), '\n'), 1 + 12 + 1) << apps;
    const std::string timeline = timelineOf(log);
    EXPECT_EQ(std::count(timeline.begin(), timeline.end(), '\n'), 60);
    EXPECT_TRUE(timeline.ends_with("\n• 12:55–12:57 App 14")) << timeline;
}

TEST_F(ActivityTool, ADayWithAClockChangeHasItsRealLength) {
    // Clocks in Berlin go forward on 2026-03-29: that day has 23 hours.
    ::setenv("TZ", "Europe/Berlin", 1);
    ::tzset();
    addSpan("2026-03-28 12:00:00", "2026-03-30 12:00:00", "Code");
    const std::string log = toolText("get_activity", Json{{"date", "2026-03-29"}});
    ::setenv("TZ", "Europe/Istanbul", 1);
    ::tzset();
    EXPECT_EQ(log, "Activity on 2026-03-29 — total 23 h 0 min\n"
                   "From 00:00 to 00:00\n"
                   "\n"
                   "By app:\n"
                   "• Code: 23 h 0 min\n"
                   "\n"
                   "Timeline:\n"
                   "• 00:00–00:00 Code");
}

} // namespace
