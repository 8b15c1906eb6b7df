// "recent_screen_activity": the windows of the last minutes, newest first, with their text.
#include "MemoryFixture.h"

#include <gtest/gtest.h>

using mcptest::Json;
using mcptest::localText;

namespace {

class RecentActivityTool : public mcptest::MemoryFixture {
  protected:
    ostrel::Time now = ostrel::currentTime();

    std::string recent(const Json& arguments = Json::object()) {
        return toolText("recent_screen_activity", arguments);
    }
    static std::string hhmm(ostrel::Time time) { return localText(time, "%H:%M"); }
};

TEST_F(RecentActivityTool, ListsEachWindowWithItsTimesAddressAndText) {
    addFrame({now - 1200,
              "Firefox",
              "firefox",
              "Docs",
              "https://docs.example.com/",
              {"Getting started", "", "Install"}});
    addFrame({now - 600, "Terminal", "terminal", "", std::nullopt, {}});
    addFrame({now - 300, "Firefox", "firefox", "Docs", "https://docs.example.com/", {"Configure"}});
    EXPECT_EQ(recent(), "Screen activity in the last 30 minutes (newest first):\n"
                        "\n"
                        "• " +
                            hhmm(now - 1200) + "–" + hhmm(now - 300) +
                            " Firefox — Docs\n"
                            "  URL: https://docs.example.com/\n"
                            "  | Getting started\n"
                            "  | Install\n"
                            "  | Configure\n"
                            "• " +
                            hhmm(now - 600) + "–" + hhmm(now - 600) + " Terminal");
}

TEST_F(RecentActivityTool, ReadsMinutesClampedToADay) {
    addFrame({now - 120, "Editor", "editor", "A", std::nullopt, {"two minutes ago"}});
    addFrame({now - 1000 * 60, "Editor", "editor", "B", std::nullopt, {"a thousand minutes ago"}});
    addFrame({now - 1500 * 60, "Editor", "editor", "C", std::nullopt, {"yesterday"}});
    EXPECT_EQ(recent(Json{{"minutes", 0}}), "Nothing was recorded in the last 1 minutes.");
    EXPECT_EQ(recent(Json{{"minutes", -9}}), "Nothing was recorded in the last 1 minutes.");
    const std::string day = recent(Json{{"minutes", 5000}});
    EXPECT_TRUE(day.starts_with("Screen activity in the last 1440 minutes (newest first):")) << day;
    EXPECT_NE(day.find("a thousand minutes ago"), std::string::npos);
    EXPECT_EQ(day.find("yesterday"), std::string::npos);
    EXPECT_TRUE(recent(Json{{"minutes", "15"}}).starts_with("Screen activity in the last 15 minutes"));
    EXPECT_TRUE(recent(Json{{"minutes", "soon"}}).starts_with("Screen activity in the last 30 minutes"));
}

TEST_F(RecentActivityTool, ShowsTheFirstTwelveNonEmptyLines) {
    std::vector<std::string> lines;
    for (int i = 1; i <= 20; ++i) {
        lines.push_back("line " + std::to_string(i));
        lines.push_back(i == 3 ? "   " : "");
    }
    addFrame({now - 60, "Notes", "notes", "List", std::nullopt, lines});
    const std::string text = recent();
    std::string expected = "• " + hhmm(now - 60) + "–" + hhmm(now - 60) + " Notes — List";
    for (int i = 1; i <= 11; ++i) {
        expected += "\n  | line " + std::to_string(i) + (i == 3 ? "\n  |    " : "");
    }
    EXPECT_TRUE(text.ends_with(expected)) << text;
}

TEST_F(RecentActivityTool, AWindowsCarriageReturnLineFeedDoesNotSplitALine) {
    addFrame({now - 60, "Notes", "notes", "Windows text", std::nullopt, {"first\r\nstill first", "second"}});
    EXPECT_TRUE(recent().ends_with("\n  | first\r\nstill first\n  | second")) << recent();
}

TEST_F(RecentActivityTool, LongTextEndsWithTheEllipsisTheStoreAdds) {
    addFrame({now - 60, "Reader", "reader", "Article", std::nullopt, {std::string(1500, 'x')}});
    EXPECT_TRUE(recent().ends_with("\n  | " + std::string(1200, 'x') + "…"));
}

TEST_F(RecentActivityTool, ListsTheFifteenWindowsSeenLast) {
    for (int i = 0; i < 17; ++i) {
        addFrame({now - 1000 + i * 10.0, "Editor", "editor", "File " + std::to_string(i), std::nullopt, {}});
    }
    const std::string text = recent();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 15);
    EXPECT_TRUE(text.ends_with("— File 2")) << text;
    EXPECT_EQ(text.find("— File 1\n"), std::string::npos) << text;
    EXPECT_TRUE(text.starts_with("Screen activity in the last 30 minutes (newest first):\n\n• " +
                                 hhmm(now - 1000 + 160) + "–" + hhmm(now - 1000 + 160) +
                                 " Editor — File 16\n"));
}

} // namespace
