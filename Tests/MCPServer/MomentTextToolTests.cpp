// "get_moment_text": a moment's facts and the text its window showed in the 15 minutes up to it.
#include "MemoryFixture.h"

#include <gtest/gtest.h>

using mcptest::Json;
using mcptest::localText;

namespace {

class MomentTextTool : public mcptest::MemoryFixture {
  protected:
    ostrel::Time at = ostrel::currentTime() - 3600;

    std::string header(std::int64_t id, ostrel::Time time) {
        return "Moment " + std::to_string(id) + " — " + localText(time, "%Y-%m-%d %H:%M");
    }
};

TEST_F(MomentTextTool, ReadsTheWindowsTextUpToTheMoment) {
    const Moment docs{at, "Firefox", "firefox", "Docs", "https://docs.example.com/page", {}};
    auto withText = [](Moment moment, ostrel::Time time, std::vector<std::string> lines) {
        moment.timestamp = time;
        moment.lines = std::move(lines);
        return moment;
    };
    addFrame(withText(docs, at - 901, {"too early"}));
    addFrame(withText(docs, at - 900, {"first line", "second line"}));
    addFrame(withText(docs, at - 300, {""}));
    Moment otherDisplay = withText(docs, at - 200, {"other display"});
    otherDisplay.displayID = 2;
    addFrame(otherDisplay);
    Moment otherApp = withText(docs, at - 100, {"other app"});
    otherApp.bundleID = "chromium";
    addFrame(otherApp);
    const std::int64_t moment = addFrame(withText(docs, at, {"third line"}));
    addFrame(withText(docs, at, {"same second"}));
    addFrame(withText(docs, at + 1, {"too late"}));

    EXPECT_EQ(toolText("get_moment_text", Json{{"moment_id", moment}}),
              header(moment, at) + "\n"
                                   "App: Firefox\n"
                                   "Window: Docs\n"
                                   "URL: https://docs.example.com/page\n"
                                   "\n"
                                   "first line\nsecond line\nthird line\nsame second");
}

TEST_F(MomentTextTool, WritesOnlyWhatTheMomentHas) {
    const std::int64_t bare = addFrame({at, std::nullopt, "org.example.Tool", "", std::nullopt, {}});
    EXPECT_EQ(toolText("get_moment_text", Json{{"moment_id", bare}}),
              header(bare, at) + "\nApp: org.example.Tool\n\n(No text was recorded for this moment.)");
    const std::int64_t unnamed = addFrame({at + 5, std::nullopt, std::nullopt, std::nullopt, "", {"hello"}});
    EXPECT_EQ(toolText("get_moment_text", Json{{"moment_id", unnamed}}),
              header(unnamed, at + 5) + "\nApp: ?\n\nhello");
}

TEST_F(MomentTextTool, ChoosesTheIdFromMomentIdThenFrameId) {
    for (int i = 1; i <= 9; ++i) {
        addFrame({at + i,
                  "App",
                  "app",
                  "Window " + std::to_string(i),
                  std::nullopt,
                  {"text " + std::to_string(i)}});
    }
    const std::vector<std::pair<Json, std::string>> found = {
        {Json{{"moment_id", 7}, {"frame_id", 9}}, "text 7"},
        {Json{{"moment_id", "7"}}, "text 7"},
        {Json{{"moment_id", 7.9}}, "text 7"},
        {Json{{"moment_id", "abc"}, {"frame_id", 9}}, "text 9"},
        {Json{{"frame_id", "9"}}, "text 9"},
    };
    for (const auto& [arguments, text] : found) {
        EXPECT_TRUE(toolText("get_moment_text", arguments).ends_with("\n\n" + text)) << arguments.dump();
    }
    const std::vector<std::pair<Json, std::string>> refused = {
        {Json{{"moment_id", 0}, {"frame_id", 9}}, "No moment with id 0. It may have been deleted."},
        {Json{{"moment_id", -5}}, "No moment with id -5. It may have been deleted."},
        {Json{{"moment_id", 42}}, "No moment with id 42. It may have been deleted."},
        {Json::object(), "moment_id is required"},
        {Json{{"moment_id", nullptr}, {"frame_id", Json::object()}}, "moment_id is required"},
        {Json{{"moment_id", "seven"}}, "moment_id is required"},
    };
    for (const auto& [arguments, message] : refused) {
        const auto [text, isError] = callTool("get_moment_text", arguments);
        EXPECT_TRUE(isError) << arguments.dump();
        EXPECT_EQ(text, message) << arguments.dump();
    }
}

TEST_F(MomentTextTool, KeepsTheTwentyThousandCharactersNearestTheMoment) {
    addFrame({at - 10, "Editor", "editor", "Long", std::nullopt, {std::string(15000, 'a')}});
    const std::int64_t moment =
        addFrame({at, "Editor", "editor", "Long", std::nullopt, {std::string(15000, 'b')}});
    const std::string text = toolText("get_moment_text", Json{{"moment_id", moment}});
    const std::string body = text.substr(text.find("\n\n") + 2);
    EXPECT_EQ(body, std::string(4999, 'a') + "\n" + std::string(15000, 'b'));
}

} // namespace
