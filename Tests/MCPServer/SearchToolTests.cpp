// "search_screen_memory": arguments, the report's lines and the no-hit answer.
#include "MemoryFixture.h"

#include <gtest/gtest.h>

using mcptest::Json;
using mcptest::localText;

namespace {

class SearchTool : public mcptest::MemoryFixture {
  protected:
    ostrel::Time now = ostrel::currentTime();

    std::string search(const Json& arguments) { return toolText("search_screen_memory", arguments); }

    static long hitCount(const std::string& report) {
        long count = 0;
        for (std::size_t at = report.find("• [moment "); at != std::string::npos;
             at = report.find("• [moment ", at + 1)) {
            ++count;
        }
        return count;
    }

    static std::string dateText(ostrel::Time time) { return localText(time, "%Y-%m-%d %H:%M"); }
};

TEST_F(SearchTool, WritesOneBlockPerHit) {
    const ostrel::Time first = now - 3600;
    addFrame({first - 60,
              "Firefox",
              "firefox",
              "Invoice 2041 — Mail",
              "https://mail.example.com/inbox",
              {"invoice 2041 was paid"}});
    // Newest first, the window's latest moment stands for it.
    const std::int64_t mail = addFrame({first,
                                        "Firefox",
                                        "firefox",
                                        "Invoice 2041 — Mail",
                                        "https://mail.example.com/inbox",
                                        {"invoice 2041 is due"}});
    const std::int64_t bare =
        addFrame({now - 7200, std::nullopt, std::nullopt, "", std::nullopt, {"copy of invoice 2041"}});
    EXPECT_EQ(search(Json{{"query", "invoice 2041"}, {"sort", "newest"}}),
              "Found 2 moment(s) for \"invoice 2041\":\n"
              "\n"
              "• [moment " +
                  std::to_string(mail) + "] " + dateText(first) +
                  " — Firefox — Invoice 2041 — Mail\n"
                  "  URL: https://mail.example.com/inbox\n"
                  "  “invoice 2041 is due”\n"
                  "  (2 nearby matches in this window)\n"
                  "• [moment " +
                  std::to_string(bare) + "] " + dateText(now - 7200) +
                  " — ?\n"
                  "  “copy of invoice 2041”");
}

TEST_F(SearchTool, RequiresAQueryWithSomethingBesidesSpaces) {
    for (const Json& arguments :
         {Json::object(), Json{{"query", 5}}, Json{{"query", nullptr}}, Json{{"query", ""}},
          Json{{"query", "  "}}, Json{{"query", "\t\u00a0\u3000"}}}) {
        const auto [text, isError] = callTool("search_screen_memory", arguments);
        EXPECT_TRUE(isError) << arguments.dump();
        EXPECT_EQ(text, "query is required") << arguments.dump();
    }
}

TEST_F(SearchTool, RefusesAQueryLongerThanASearchReads) {
    addFrame({now - 60, "Editor", std::nullopt, "Notes", std::nullopt, {"alpha"}});
    const auto wordsOf = [](int count) {
        std::string text;
        for (int i = 0; i < count; ++i) {
            text += (i ? " alpha" : "alpha");
        }
        return text;
    };
    for (const std::string& query :
         {wordsOf(65), wordsOf(40'000), std::string(1001, 'a'), "alpha " + std::string(1000, 'b')}) {
        const auto [text, isError] = callTool("search_screen_memory", Json{{"query", query}});
        EXPECT_TRUE(isError) << query.size();
        EXPECT_EQ(text, "query is too long: use at most 64 words and 1000 characters");
    }
    // At the bounds, and with white space after them, the search runs.
    for (const std::string& query : {wordsOf(64), wordsOf(64) + "   ", "alpha " + std::string(994, 'b')}) {
        const auto [text, isError] = callTool("search_screen_memory", Json{{"query", query}});
        EXPECT_FALSE(isError) << text;
    }
    EXPECT_TRUE(search(Json{{"query", wordsOf(64)}}).starts_with("Found 1 moment(s)"));
}

TEST_F(SearchTool, AnswersAMissWithTheQueryAsTyped) {
    const std::vector<std::pair<Json, std::string>> cases = {
        {Json{{"query", "zebra"}}, "No moments found for \"zebra\" in the last 30 days."},
        {Json{{"query", " zebra "}}, "No moments found for \" zebra \" in the last 30 days."},
        {Json{{"query", "\n"}}, "No moments found for \"\n\" in the last 30 days."},
        {Json{{"query", "zebra"}, {"days", 0}}, "No moments found for \"zebra\"."},
        {Json{{"query", "zebra"}, {"days", -3}}, "No moments found for \"zebra\"."},
        {Json{{"query", "zebra"}, {"days", "7"}}, "No moments found for \"zebra\" in the last 7 days."},
        {Json{{"query", "zebra"}, {"days", "seven"}}, "No moments found for \"zebra\" in the last 30 days."},
    };
    for (const auto& [arguments, expected] : cases) {
        EXPECT_EQ(search(arguments), expected) << arguments.dump();
    }
}

TEST_F(SearchTool, DaysReachBackAsFarAsAsked) {
    addFrame({now - 40 * 86400.0, "Notes", "notes", "Old", std::nullopt, {"harbour"}});
    addFrame({1.0e6, "Notes", "notes", "Ancient", std::nullopt, {"lighthouse"}});
    EXPECT_EQ(hitCount(search(Json{{"query", "harbour"}})), 0);
    EXPECT_EQ(hitCount(search(Json{{"query", "harbour"}, {"days", 41}})), 1);
    EXPECT_EQ(hitCount(search(Json{{"query", "harbour"}, {"days", 0}})), 1);
    // Days far beyond what seconds can count in 64 bits reach all of the past.
    EXPECT_EQ(hitCount(search(Json{{"query", "lighthouse"}, {"days", INT64_MAX}})), 1);
    EXPECT_EQ(hitCount(search(Json{{"query", "lighthouse"}, {"days", "9223372036854775807"}})), 1);
}

TEST_F(SearchTool, LimitIsClampedToOneToTwentyFive) {
    for (int i = 0; i < 30; ++i) {
        addFrame({now - 600.0 * (i + 1),
                  "Editor",
                  "editor",
                  "File " + std::to_string(i),
                  std::nullopt,
                  {"walrus"}});
    }
    const std::vector<std::pair<Json, long>> cases = {
        {Json{{"query", "walrus"}}, 10},
        {Json{{"query", "walrus"}, {"limit", 0}}, 1},
        {Json{{"query", "walrus"}, {"limit", 100}}, 25},
        {Json{{"query", "walrus"}, {"limit", "5"}}, 5},
        {Json{{"query", "walrus"}, {"limit", 3.9}}, 3},
    };
    for (const auto& [arguments, count] : cases) {
        const std::string report = search(arguments);
        EXPECT_EQ(hitCount(report), count) << arguments.dump();
        EXPECT_TRUE(report.starts_with("Found " + std::to_string(count) + " moment(s) for \"walrus\":\n\n"));
    }
}

TEST_F(SearchTool, OnlyTheExactWordNewestSortsByTime) {
    // A busy older window outranks a newer single mention by relevance.
    for (int i = 0; i < 5; ++i) {
        addFrame(
            {now - 7200 + i * 10.0, "Editor", "editor", "Notes", std::nullopt, {"pelican pelican pelican"}});
    }
    const std::int64_t recent = addFrame({now - 60, "Chat", "chat", "Team", std::nullopt, {"a pelican"}});
    const std::string newest = search(Json{{"query", "pelican"}, {"sort", "newest"}});
    const std::string relevance = search(Json{{"query", "pelican"}});
    ASSERT_NE(newest, relevance);
    EXPECT_TRUE(
        newest.starts_with("Found 2 moment(s) for \"pelican\":\n\n• [moment " + std::to_string(recent) + "]"))
        << newest;
    EXPECT_EQ(search(Json{{"query", "pelican"}, {"sort", "Newest"}}), relevance);
    EXPECT_EQ(search(Json{{"query", "pelican"}, {"sort", 1}}), relevance);
}

TEST_F(SearchTool, TheLastWordMatchesWhole) {
    addFrame({now - 60, "Mail", "mail", "Billing", std::nullopt, {"invoice"}});
    EXPECT_EQ(search(Json{{"query", "invo"}}), "No moments found for \"invo\" in the last 30 days.");
    EXPECT_EQ(hitCount(search(Json{{"query", "invoice"}})), 1);
}

TEST_F(SearchTool, FindsWordsGluedToGlyphs) {
    addFrame({now - 60, "Terminal", "term", "zsh", std::nullopt, {"\uE0A0main branch"}});
    addFrame({now - 50, "Settings", "prefs", "\uF007Profile settings", std::nullopt, {}});
    addFrame({now - 40, "Notes", "notes", "Chess", std::nullopt, {"combin\U0001FA51 moves"}});
    for (const char* query : {"main", "Profile", "combin"}) {
        EXPECT_EQ(hitCount(search(Json{{"query", query}})), 1) << query;
    }
}

TEST_F(SearchTool, TextThatIsNotUTF8StillGetsItsReply) {
    addFrame({now - 60, "Term\xff", "term", "bad \xc3 title", std::nullopt, {"gannet \xfe\xff"}});
    const std::string report = search(Json{{"query", "gannet"}});
    EXPECT_NE(report.find("— Term\uFFFD — bad \uFFFD title"), std::string::npos) << report;
}

} // namespace
