#include "UI/Journal/JournalController.h"

#include "JournalFixture.h"
#include "Support/Moment.h"
#include "Support/QtPrinters.h"

namespace vesperline {
namespace {

using Control = JournalController::SummaryControl;

class JournalControllerTest : public JournalFixture {};

TEST_F(JournalControllerTest, AStoredSummaryIsShownWithoutAskingTheModel) {
    addSpan(yesterday + 9 * 3600, 3600, "Editor");
    storeSummary(yesterday, "A calm day of editing.", "ai");
    for (const bool enabled : {true, false}) {
        SCOPED_TRACE(enabled ? "summaries on" : "summaries off");
        settings.setDailySummaryEnabled(enabled);
        auto controller = makeController();
        controller->setDay(yesterday);
        ASSERT_TRUE(showAndLoad(*controller));
        EXPECT_EQ(controller->summary(), "A calm day of editing.");
        EXPECT_EQ(controller->summarySource(), "ai");
        EXPECT_TRUE(controller->showsModelBadge());
        EXPECT_EQ(controller->summarizeTitle(), "Rewrite");
        EXPECT_FALSE(controller->generating());
    }
    EXPECT_TRUE(model.requests().empty());
}

TEST_F(JournalControllerTest, WithSummariesOffThePlainTextIsDrawnButNotKept) {
    settings.setDailySummaryEnabled(false);
    addSpan(yesterday + 9 * 3600, 3600, "Editor");
    auto controller = makeController();
    controller->setDay(yesterday);
    ASSERT_TRUE(showAndLoad(*controller));
    EXPECT_EQ(controller->summary(), std::nullopt);
    EXPECT_EQ(controller->summarySource(), "template");
    EXPECT_EQ(controller->summaryText(),
              "You were active for 1 hr between 9:00\u202fAM and 10:00\u202fAM. Most "
              "of the time went to Editor (1 hr).");
    EXPECT_FALSE(controller->showsModelBadge());
    EXPECT_EQ(controller->summarizeTitle(), "Summarize with AI");
    EXPECT_FALSE(controller->generating());
    EXPECT_TRUE(model.requests().empty());
}

TEST_F(JournalControllerTest, APastDayOfMoreThanTenMinutesIsSummarizedOnceAndStored) {
    const struct {
        double seconds;
        bool summarized;
    } cases[] = {{600, false}, {601, true}};
    model.setReplies({"The model's day."});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        const ostrel::Time day = yesterday - (c.summarized ? 86400 : 0);
        addSpan(day + 10 * 3600, c.seconds, "Editor");
        hub.sync([&](ostrel::MemoryStore& store) {
            store.insertFrame(
                testsupport::Moment(day + 10 * 3600).app("org.example.Editor", "Editor").title("Notes.md"));
        });
        auto controller = makeController();
        controller->setDay(day);
        ASSERT_TRUE(showAndLoad(*controller));
        // The plain text comes first, whether or not the model is asked.
        EXPECT_EQ(controller->summarySource(), "template");
        EXPECT_EQ(controller->summary(), controller->summaryText());
        EXPECT_EQ(controller->generating(), c.summarized);
        EXPECT_EQ(controller->summaryControl(), c.summarized ? Control::progress : Control::button);
        ASSERT_TRUE(waitUntilDone(*controller));
        const std::optional<ostrel::MemoryStore::SavedSummary> stored = storedSummary(day);
        if (c.summarized) {
            EXPECT_EQ(controller->summary(), "The model's day.");
            EXPECT_EQ(controller->summarySource(), "ai");
            ASSERT_TRUE(stored);
            EXPECT_EQ(stored->text, "The model's day.");
            EXPECT_EQ(stored->source, "ai");
        } else {
            EXPECT_EQ(controller->summarySource(), "template");
            EXPECT_FALSE(stored);
        }
    }
    ASSERT_EQ(model.requests().size(), 1u);
    // The model is told the day's facts and its window titles.
    EXPECT_NE(model.requests()[0].prompt.find("Editor: Notes.md"), std::string::npos);

    // Shown again, the stored summary is taken as it is.
    auto again = makeController();
    again->setDay(yesterday - 86400);
    ASSERT_TRUE(showAndLoad(*again));
    EXPECT_EQ(again->summary(), "The model's day.");
    EXPECT_FALSE(again->generating());
    EXPECT_EQ(model.requests().size(), 1u);
}

TEST_F(JournalControllerTest, TodayIsSummarizedOnlyOnRequestAndNeverStored) {
    addSpan(today + 8 * 3600, 3 * 3600, "Editor");
    model.setReplies({"So far today.", "Still today."});
    auto controller = makeController();
    ASSERT_TRUE(showAndLoad(*controller));
    EXPECT_TRUE(controller->showsToday());
    EXPECT_EQ(controller->summarySource(), "template");
    EXPECT_FALSE(controller->generating());

    controller->summarize();
    EXPECT_EQ(controller->summaryControl(), Control::progress);
    controller->summarize(); // ignored while one is being made
    ASSERT_TRUE(waitUntilDone(*controller));
    EXPECT_EQ(controller->summary(), "So far today.");
    EXPECT_EQ(controller->summarySource(), "ai");
    EXPECT_EQ(controller->summarizeTitle(), "Rewrite");
    EXPECT_EQ(model.requests().size(), 1u);
    EXPECT_FALSE(storedSummary(today));

    // Shown afresh, today has its plain text again.
    auto reopened = makeController();
    ASSERT_TRUE(showAndLoad(*reopened));
    EXPECT_EQ(reopened->summarySource(), "template");
}

TEST_F(JournalControllerTest, WithoutTheModelThereIsNoButtonAndAskingGivesThePlainText) {
    addSpan(yesterday + 9 * 3600, 3600, "Editor");
    auto controller = makeController(false);
    controller->setDay(yesterday);
    ASSERT_TRUE(showAndLoad(*controller));
    EXPECT_FALSE(controller->generating()) << "no automatic summary without the model";
    EXPECT_EQ(controller->summaryControl(), Control::none);

    controller->summarize();
    ASSERT_TRUE(waitUntilDone(*controller));
    EXPECT_EQ(controller->summarySource(), "template");
    EXPECT_FALSE(controller->showsModelBadge());
    EXPECT_FALSE(storedSummary(yesterday));
    EXPECT_TRUE(model.requests().empty());
}

TEST_F(JournalControllerTest, ASummaryFinishedAfterTheDayChangedIsStoredForItsDayNotShown) {
    addSpan(yesterday + 9 * 3600, 300, "Editor"); // too short to be summarized by itself
    addSpan(yesterday - 86400 + 9 * 3600, 200, "Browser");
    holdReplies({"Yesterday's text."});
    auto controller = makeController();
    controller->setDay(yesterday);
    ASSERT_TRUE(showAndLoad(*controller));
    controller->summarize();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.requests().size() == 1; }, patience));

    ASSERT_TRUE(loadDay(*controller, yesterday - 86400));
    const std::optional<QString> shown = controller->summary();
    EXPECT_TRUE(controller->generating()) << "the user's request runs on";
    release();
    ASSERT_TRUE(waitUntilDone(*controller));
    EXPECT_EQ(controller->summary(), shown);
    EXPECT_EQ(controller->summarySource(), "template");
    const std::optional<ostrel::MemoryStore::SavedSummary> stored = storedSummary(yesterday);
    ASSERT_TRUE(stored) << "the model's work is kept";
    EXPECT_EQ(stored->text, "Yesterday's text.");
    EXPECT_FALSE(storedSummary(yesterday - 86400));
}

TEST_F(JournalControllerTest, AnAutomaticSummaryEndsWithItsDayAndIsStoredWhenItArrives) {
    addSpan(yesterday + 9 * 3600, 3600, "Editor");
    holdReplies({"Yesterday's text.", "The day before's text."});
    auto controller = makeController();
    controller->setDay(yesterday);
    ASSERT_TRUE(showAndLoad(*controller));
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.requests().size() == 1; }, patience));

    // Another day: the summary under way no longer counts here, though the model is still busy with it.
    ASSERT_TRUE(loadDay(*controller, yesterday - 86400));
    EXPECT_FALSE(controller->generating());
    EXPECT_EQ(controller->summaryControl(), Control::button);

    // A request for the new day waits behind the old one, so once it is done the old answer is in.
    controller->summarize();
    release(2);
    ASSERT_TRUE(waitUntilDone(*controller));
    EXPECT_EQ(controller->summary(), "The day before's text.");
    ASSERT_TRUE(storedSummary(yesterday));
    EXPECT_EQ(storedSummary(yesterday)->text, "Yesterday's text.");
    ASSERT_TRUE(storedSummary(yesterday - 86400));
    EXPECT_EQ(storedSummary(yesterday - 86400)->text, "The day before's text.");
}

// The user leaves the journal while the model writes: the first summary of a past day, or a
// rewrite of a stored one, is kept all the same.
TEST_F(JournalControllerTest, ASummaryIsStoredWhenItArrivesAfterTheJournalWasLeft) {
    const struct {
        const char* name;
        bool rewrite;
        bool destroyed; // else only hidden
    } cases[] = {
        {"a first summary, the journal hidden", false, false},
        {"a first summary, the journal gone", false, true},
        {"a rewrite, the journal gone", true, true},
    };
    const auto written = [](const char* name) {
        return std::string("Written by the model for ") + name + ".";
    };
    std::vector<std::string> replies;
    for (const auto& c : cases) {
        replies.push_back(written(c.name));
    }
    holdReplies(replies);
    int turn = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ostrel::Time day = yesterday - 86400 * turn++;
        addSpan(day + 9 * 3600, 3600, "Editor");
        if (c.rewrite) {
            storeSummary(day, "Written before.", "ai");
        }
        const std::size_t asked = model.requests().size();
        auto controller = makeController();
        controller->setDay(day);
        ASSERT_TRUE(showAndLoad(*controller));
        if (c.rewrite) {
            controller->summarize();
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return model.requests().size() == asked + 1; }, patience));

        controller->setShown(false);
        if (c.destroyed) {
            controller.reset();
        }
        release();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                const std::optional<ostrel::MemoryStore::SavedSummary> stored = storedSummary(day);
                return stored && stored->text == written(c.name) && stored->source == "ai";
            },
            patience));
        if (controller) {
            EXPECT_TRUE(waitUntilDone(*controller));
        }
    }
}

TEST_F(JournalControllerTest, GeneratingLastsUntilTheLastSummaryHasEnded) {
    addSpan(today + 9 * 3600, 3600, "Editor");
    addSpan(yesterday + 9 * 3600, 3600, "Editor");
    holdReplies({"Today's text.", "Yesterday's text."});
    auto controller = makeController();
    ASSERT_TRUE(showAndLoad(*controller));
    controller->summarize(); // today's, held by the model
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.requests().size() == 1; }, patience));
    ASSERT_TRUE(loadDay(*controller, yesterday)); // starts yesterday's, queued behind it
    ASSERT_TRUE(controller->generating());

    QSignalSpy changes(controller.get(), &JournalController::summaryChanged);
    release();
    // Today's answer is dropped while yesterday's is still being made.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return changes.count() > 0 && model.requests().size() == 2; }, patience));
    EXPECT_TRUE(controller->generating());
    EXPECT_EQ(controller->summaryControl(), Control::progress);
    EXPECT_EQ(controller->summarySource(), "template");
    release();
    ASSERT_TRUE(waitUntilDone(*controller));
    EXPECT_EQ(controller->summary(), "Yesterday's text.");
}

TEST_F(JournalControllerTest, AFailedActivityReadShowsAnEmptyDay) {
    storeSummary(yesterday, "Kept from before.", "ai");
    hub.sync([](ostrel::MemoryStore& store) { store.db().execute("DROP TABLE activity"); });
    auto controller = makeController();
    controller->setDay(yesterday);
    ASSERT_TRUE(showAndLoad(*controller));
    ASSERT_TRUE(controller->log());
    EXPECT_FALSE(controller->hasActivity());
    EXPECT_EQ(controller->summary(), "Kept from before.");
}

TEST_F(JournalControllerTest, TheDayShownKeepsItsContentUntilTheNextHasLoaded) {
    addSpan(yesterday + 9 * 3600, 3600, "Editor");
    settings.setDailySummaryEnabled(false);
    auto controller = makeController();
    EXPECT_FALSE(controller->log()) << "nothing before the first load";
    EXPECT_TRUE(controller->statTiles().empty());
    controller->setDay(yesterday + 15 * 3600);
    EXPECT_DOUBLE_EQ(controller->day(), yesterday);
    ASSERT_TRUE(showAndLoad(*controller));
    ASSERT_TRUE(controller->hasActivity());

    QSignalSpy loads(controller.get(), &JournalController::logChanged);
    controller->setDay(today);
    EXPECT_DOUBLE_EQ(controller->log()->dayStart, yesterday);
    ASSERT_TRUE(loads.wait(patience));
    EXPECT_DOUBLE_EQ(controller->log()->dayStart, today);
    EXPECT_FALSE(controller->hasActivity());

    // Hidden, a load under way is dropped; shown again, the day loads afresh.
    controller->setDay(yesterday);
    controller->setShown(false);
    QTest::qWait(50);
    EXPECT_DOUBLE_EQ(controller->log()->dayStart, today);
    ASSERT_TRUE(showAndLoad(*controller));
    EXPECT_DOUBLE_EQ(controller->log()->dayStart, yesterday);
}

TEST_F(JournalControllerTest, TheTilesSayHowTheDayWent) {
    settings.setDailySummaryEnabled(false);
    addSpan(yesterday + 9 * 3600, 2 * 3600, "Editor", "Vesperline");
    addSpan(yesterday + 11.5 * 3600, 1800, "Browser", "Design");
    addSpan(yesterday + 13 * 3600, 600, "Editor", "Vesperline");
    addSpan(today + 10 * 3600, 300, "Terminal");
    using Tile = JournalController::StatTile;
    const struct {
        ostrel::Time day;
        std::vector<Tile> tiles;
    } cases[] = {
        {yesterday,
         {{"Active time", "clock", "2 hr, 40 min", "activeTime"},
          {"Day span", "sunrise", "9:00\u202fAM – 1:10\u202fPM", "daySpan"},
          {"Top app", "star", "Editor", "topApp"},
          {"Projects", "folder", "2", "projects"}}},
        {today,
         {{"Active time", "clock", "5 min", "activeTime"},
          {"Day span", "sunrise", "10:00\u202fAM – 10:05\u202fAM", "daySpan"},
          {"Top app", "star", "Terminal", "topApp"},
          {"Projects", "folder", "0", "projects"}}},
    };
    auto controller = makeController();
    ASSERT_TRUE(showAndLoad(*controller));
    for (const auto& c : cases) {
        if (controller->day() != c.day) {
            ASSERT_TRUE(loadDay(*controller, c.day));
        }
        EXPECT_EQ(controller->statTiles(), c.tiles);
    }

    // Shares of the day's active time: nothing, part, all of it.
    EXPECT_DOUBLE_EQ(controller->share(0), 0);
    EXPECT_DOUBLE_EQ(controller->share(150), 0.5);
    EXPECT_DOUBLE_EQ(controller->share(300), 1);
}

TEST_F(JournalControllerTest, AnHourOpensTheTimelineAtItsHalfPast) {
    const Format berlin("en_US", "Europe/Berlin");
    // 2025-03-30 in Berlin: the clocks skip from 02:00 to 03:00, a 23-hour day.
    constexpr ostrel::Time berlinMarch30 = 1743289200;
    const struct {
        const Format& format;
        ostrel::Time day;
        int hour;
        ostrel::Time expected;
    } cases[] = {
        {format, yesterday, 14, yesterday + 14.5 * 3600},
        {format, yesterday, 0, yesterday + 1800},
        {format, yesterday, -1, yesterday + 1800},
        {format, yesterday, 23, yesterday + 23.5 * 3600},
        {format, yesterday, 24, yesterday + 23.5 * 3600},
        // After the change the bars count hours on the clock, and so does the timeline.
        {berlin, berlinMarch30, 14, berlinMarch30 + 13.5 * 3600},
        // A reading the clock skips: as many seconds from the day's start.
        {berlin, berlinMarch30, 2, berlinMarch30 + 2.5 * 3600},
    };
    AIService& service = ai();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hour);
        timelineOpenedAt.clear();
        JournalController controller(hub, settings, service, navigation(), c.format, clock);
        controller.setDay(c.day);
        controller.openHour(c.hour);
        EXPECT_EQ(timelineOpenedAt, std::vector{c.expected});
    }
}

TEST_F(JournalControllerTest, AProjectIsSearchedForAsOnePhrase) {
    auto controller = makeController();
    const struct {
        std::string name;
        QString query;
    } cases[] = {
        {"Design", "\"Design\""},
        {"Q3 \"final\" report", "\"Q3 final report\""}, // an inner quote would end the phrase
    };
    for (const auto& c : cases) {
        searches.clear();
        controller->openProject({c.name, c.name, std::nullopt, 60});
        EXPECT_EQ(searches, std::vector{c.query});
    }
}

} // namespace
} // namespace vesperline
