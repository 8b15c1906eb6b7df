#include "UI/Timeline/TimelineScreenController.h"
#include "Runtime/MainThread.h"
#include "Store/StoreHub.h"
#include "Support/ManualDelays.h"
#include "Support/Moment.h"
#include "Support/SettledReads.h"
#include "Support/TemporaryDirectory.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <future>

using namespace vesperline;
using testsupport::Moment;

namespace {

// 2025-03-03 in the tests' zone (Istanbul, three hours ahead of UTC all year).
constexpr ostrel::Time midnight = 1740949200;
constexpr double minute = 60;
constexpr double hour = 3600;
constexpr ostrel::Time at(double hours, double minutes = 0) {
    return midnight + hours * hour + minutes * minute;
}
constexpr ostrel::Time yesterday = midnight - 24 * hour;

class TimelineScreenControllerTest : public ::testing::Test {
  protected:
    std::int64_t save(ostrel::Time time) {
        return hub.sync([&](ostrel::MemoryStore& store) {
            return store.insertFrame(Moment(time).app("org.example.Editor", "Editor"));
        });
    }
    // Waits until the reads posted so far and what they report to the main thread are done.
    void settle() { testsupport::settleReads(hub); }
    std::unique_ptr<TimelineScreenController> makeController() {
        auto controller = std::make_unique<TimelineScreenController>(hub, clock, delays);
        settle();
        return controller;
    }
    ostrel::Time shownTime(const TimelineScreenController& controller) {
        return controller.shownFrame().value_or(ostrel::FrameSummary{}).timestamp;
    }

    testsupport::DataFolder data;
    testsupport::ManualClock clock{at(12)};
    testsupport::ManualDelays delays{clock};
    StoreHub hub{data.path(), clock};
};

} // namespace

TEST_F(TimelineScreenControllerTest, ShowsTheNewestMomentOfTheDayAndAnEmptyDayAsSuch) {
    const Format english("en_US", "Europe/Istanbul");
    save(yesterday + 9 * hour);
    for (double minutes : {0, 10, 20}) {
        save(at(9, minutes));
    }
    save(midnight + 24 * hour);
    hub.sync([](ostrel::MemoryStore& store) {
        ostrel::ActivitySpan span;
        span.start = at(8, 55);
        span.end = at(9, 30);
        span.appBundleID = "org.example.Editor";
        store.insertActivity(span);
    });

    auto controller = makeController();
    EXPECT_TRUE(controller->loaded());
    EXPECT_DOUBLE_EQ(controller->day(), midnight);
    ASSERT_EQ(controller->frames()->size(), 3u);
    EXPECT_EQ(controller->index(), 2);
    EXPECT_DOUBLE_EQ(shownTime(*controller), at(9, 20));
    EXPECT_EQ(controller->spans()->size(), 1u);
    EXPECT_EQ(controller->countText(english), "3 moments");

    QSignalSpy days(controller.get(), &TimelineScreenController::dayChanged);
    controller->setDay(yesterday + 15 * hour);
    settle();
    EXPECT_DOUBLE_EQ(controller->day(), yesterday);
    EXPECT_EQ(days.count(), 1);
    EXPECT_EQ(controller->frames()->size(), 1u);

    controller->setDay(yesterday - hour);
    settle();
    EXPECT_TRUE(controller->frames()->empty());
    EXPECT_EQ(controller->index(), 0);
    EXPECT_FALSE(controller->shownFrame());
    EXPECT_TRUE(controller->loaded());
    EXPECT_EQ(controller->countText(english), "0 moments");
}

TEST_F(TimelineScreenControllerTest, RequestsLandOnTheMomentElseTheNearestToTheirTime) {
    const std::int64_t first = save(at(9));
    const std::int64_t second = save(at(9, 10));
    const std::int64_t third = save(at(9, 20));
    const std::int64_t earlier = save(yesterday + 9 * hour);
    hub.sync([&](ostrel::MemoryStore& store) { store.deleteFrames({third}); });
    save(at(9, 20));
    struct Case {
        const char* name;
        std::optional<std::int64_t> frameID;
        ostrel::Time date;
        ostrel::Time day;
        ostrel::Time shown;
    };
    const Case cases[] = {
        {"a moment of the shown day", first, at(9), midnight, at(9)},
        {"a moment no longer stored: the nearest, the later on a tie", third, at(9, 5), midnight, at(9, 10)},
        {"a time only", std::nullopt, at(9, 16), midnight, at(9, 20)},
        {"a time of another day", std::nullopt, yesterday + 10 * hour, yesterday, yesterday + 9 * hour},
        {"a moment of another day", earlier, yesterday + 9 * hour, yesterday, yesterday + 9 * hour},
        {"back to a moment of today", second, at(9, 10), midnight, at(9, 10)},
    };
    auto controller = makeController();
    controller->setScrubbing(true);
    for (const Case& testCase : cases) {
        controller->openAt(testCase.frameID, testCase.date);
        settle();
        EXPECT_DOUBLE_EQ(controller->day(), testCase.day) << testCase.name;
        EXPECT_DOUBLE_EQ(shownTime(*controller), testCase.shown) << testCase.name;
        EXPECT_TRUE(controller->scrubbing()) << testCase.name;
    }
    // Once applied, a request is spent: a later load shows the newest moment.
    controller->setDay(yesterday);
    controller->setDay(midnight);
    settle();
    EXPECT_DOUBLE_EQ(shownTime(*controller), at(9, 20));
}

TEST_F(TimelineScreenControllerTest, OnlyTheNewestLoadOfTheShownDayIsTaken) {
    const std::int64_t first = save(at(9));
    save(at(10));
    save(yesterday + 9 * hour);
    save(yesterday + 10 * hour);
    struct Case {
        const char* name;
        std::optional<std::int64_t> frameID;
        ostrel::Time date;
        ostrel::Time day;
        ostrel::Time shown;
    };
    const Case cases[] = {
        {"a request for another day", std::nullopt, yesterday + 9 * hour + 1, yesterday,
         yesterday + 9 * hour},
        {"a request for a moment of the same day", first, at(9), midnight, at(9)},
    };
    for (const Case& testCase : cases) {
        // Holds the read queue, so the first load is still waiting when the request's load starts.
        std::promise<void> gate;
        std::shared_future<void> opened = gate.get_future().share();
        hub.readAsync([opened](ostrel::MemoryStore&) { opened.wait(); });

        TimelineScreenController controller(hub, clock, delays);
        QSignalSpy loads(&controller, &TimelineScreenController::momentsChanged);
        controller.openAt(testCase.frameID, testCase.date);
        gate.set_value();
        settle();
        EXPECT_EQ(loads.count(), 1) << testCase.name;
        EXPECT_DOUBLE_EQ(controller.day(), testCase.day) << testCase.name;
        EXPECT_EQ(controller.frames()->size(), 2u) << testCase.name;
        EXPECT_DOUBLE_EQ(shownTime(controller), testCase.shown) << testCase.name;
    }
}

TEST_F(TimelineScreenControllerTest, NewMomentsOfTodayAreFollowedLiveUnlessTheUserIsBusyElsewhere) {
    enum class Shown { theNewMoment, theSameMoment };
    struct Case {
        const char* name;
        std::function<void(TimelineScreenController&)> arrange;
        bool reloads;
        Shown shown;
    };
    const Case cases[] = {
        {"at the newest moment", [](TimelineScreenController&) {}, true, Shown::theNewMoment},
        {"at an older moment", [](TimelineScreenController& c) { c.scrubTo(0); }, true, Shown::theSameMoment},
        {"while scrubbing", [](TimelineScreenController& c) { c.setScrubbing(true); }, false,
         Shown::theSameMoment},
        {"while replaying", [](TimelineScreenController& c) { c.togglePlaying(); }, false,
         Shown::theSameMoment},
        {"while another day is shown", [](TimelineScreenController& c) { c.setDay(yesterday); }, false,
         Shown::theSameMoment},
    };
    save(at(9));
    save(at(9, 10));
    for (const Case& testCase : cases) {
        auto controller = makeController();
        testCase.arrange(*controller);
        settle();
        const std::size_t before = controller->frames()->size();
        const std::optional<ostrel::FrameSummary> shownBefore = controller->shownFrame();
        clock.advance(10);
        const std::int64_t saved = save(clock.now());
        controller->momentSaved();
        settle();
        EXPECT_EQ(controller->frames()->size(), testCase.reloads ? before + 1 : before) << testCase.name;
        EXPECT_EQ(controller->shownFrame() ? controller->shownFrame()->id : 0,
                  testCase.shown == Shown::theNewMoment ? saved : (shownBefore ? shownBefore->id : 0))
            << testCase.name;
    }
}

TEST_F(TimelineScreenControllerTest, MomentsSavedWhileTheWindowIsInactiveAreOneReloadOnItsReturn) {
    save(at(9));
    auto controller = makeController();
    QSignalSpy loads(controller.get(), &TimelineScreenController::momentsChanged);
    controller->setWindowActive(false);
    save(at(10));
    controller->momentSaved();
    save(at(11));
    controller->momentSaved();
    settle();
    EXPECT_EQ(loads.count(), 0);

    controller->setWindowActive(true);
    settle();
    EXPECT_EQ(loads.count(), 1);
    EXPECT_EQ(controller->frames()->size(), 3u);
    EXPECT_DOUBLE_EQ(shownTime(*controller), at(11));

    controller->setWindowActive(false);
    controller->setWindowActive(true);
    settle();
    EXPECT_EQ(loads.count(), 1) << "nothing new arrived meanwhile";

    // Scrubbing when the window comes back: the catch-up is dropped, not kept for later.
    controller->setWindowActive(false);
    controller->momentSaved();
    controller->setScrubbing(true);
    controller->setWindowActive(true);
    controller->setScrubbing(false);
    controller->setWindowActive(false);
    controller->setWindowActive(true);
    settle();
    EXPECT_EQ(loads.count(), 1);
}

TEST_F(TimelineScreenControllerTest, DeletingTheShownMomentShowsTheNearestRemainingOne) {
    save(at(9));
    const std::int64_t middle = save(at(9, 10));
    save(at(9, 20));
    auto controller = makeController();
    controller->scrubTo(1);
    const ostrel::FrameSummary shown = *controller->shownFrame();
    ASSERT_EQ(shown.id, middle);
    hub.sync([&](ostrel::MemoryStore& store) { store.deleteFrames({middle}); });
    controller->momentDeleted(shown);
    settle();
    EXPECT_EQ(controller->frames()->size(), 2u);
    EXPECT_DOUBLE_EQ(shownTime(*controller), at(9, 20)) << "both are ten minutes away: the later one";
}

TEST_F(TimelineScreenControllerTest, StepsStayWithinTheDayAndEndAReplay) {
    for (double minutes : {0, 1, 2}) {
        save(at(9, minutes));
    }
    auto controller = makeController();
    struct Case {
        int from;
        int offset;
        int expected;
    };
    for (const Case& testCase : {Case{0, -1, 0}, Case{0, 1, 1}, Case{2, 1, 2}, Case{2, -1, 1}}) {
        controller->scrubTo(testCase.from);
        controller->togglePlaying();
        controller->step(testCase.offset);
        EXPECT_EQ(controller->index(), testCase.expected) << testCase.from << " " << testCase.offset;
        EXPECT_FALSE(controller->playing());
    }
}

TEST_F(TimelineScreenControllerTest, WithoutMomentsTheControlsChangeNothing) {
    auto controller = makeController();
    QSignalSpy moves(controller.get(), &TimelineScreenController::positionChanged);
    controller->step(-1);
    controller->step(1);
    controller->jump(10);
    controller->showLatest();
    EXPECT_EQ(controller->index(), 0);
    EXPECT_EQ(moves.count(), 0);

    controller->togglePlaying();
    delays.advance(0.45);
    EXPECT_FALSE(controller->playing());
    EXPECT_EQ(controller->index(), 0);
}

TEST_F(TimelineScreenControllerTest, ReplayStepsEveryFortyFiveHundredthsOfASecondToTheNewestMoment) {
    for (double minutes : {0, 1, 2, 3}) {
        save(at(9, minutes));
    }
    auto controller = makeController();
    controller->scrubTo(1);
    controller->togglePlaying();
    EXPECT_EQ(controller->imageSize(), FrameImageLoader::Size::preview);
    for (int expected : {2, 3}) {
        delays.advance(0.44);
        EXPECT_EQ(controller->index(), expected - 1);
        delays.advance(0.01);
        EXPECT_EQ(controller->index(), expected);
        EXPECT_TRUE(controller->playing());
    }
    delays.advance(0.45);
    EXPECT_FALSE(controller->playing()) << "one more wait at the newest moment, then off";
    EXPECT_EQ(controller->index(), 3);
    EXPECT_EQ(controller->imageSize(), FrameImageLoader::Size::full);
    EXPECT_EQ(delays.pending(), 0);

    // Started at the newest moment: one wait, no step.
    controller->togglePlaying();
    delays.advance(0.45);
    EXPECT_FALSE(controller->playing());
    EXPECT_EQ(controller->index(), 3);

    // Ended during a wait, even if started again at once: the old wait takes no step.
    controller->scrubTo(0);
    controller->togglePlaying();
    delays.advance(0.3);
    controller->togglePlaying();
    controller->togglePlaying();
    delays.advance(0.2);
    EXPECT_EQ(controller->index(), 0);
    delays.advance(0.25);
    EXPECT_EQ(controller->index(), 1);

    // Jumps and "latest" move a running replay on without ending it.
    controller->jump(-10);
    EXPECT_TRUE(controller->playing());
    EXPECT_EQ(controller->index(), 0);
    controller->showLatest();
    EXPECT_TRUE(controller->playing());
    EXPECT_EQ(controller->index(), 3);
}

TEST_F(TimelineScreenControllerTest, TenMinuteJumpsGoToTheMomentNearestTheTarget) {
    struct Case {
        const char* name;
        std::vector<ostrel::Time> moments;
        int from;
        int minutes;
        ostrel::Time shown;
    };
    const Case cases[] = {
        {"back: the nearer one", {at(8, 40), at(8, 55), at(9)}, 2, -10, at(8, 55)},
        {"back: two equally near, the later", {at(8, 45), at(8, 55), at(9)}, 2, -10, at(8, 55)},
        {"forward over a gap", {at(8), at(11)}, 0, 10, at(8)},
        {"forward from the newest", {at(8, 40), at(9)}, 1, 10, at(9)},
        {"a single moment", {at(9)}, 0, -10, at(9)},
    };
    for (const Case& testCase : cases) {
        hub.sync([](ostrel::MemoryStore& store) { store.deleteRange(0, 4e9); });
        for (ostrel::Time moment : testCase.moments) {
            save(moment);
        }
        auto controller = makeController();
        controller->scrubTo(testCase.from);
        controller->jump(testCase.minutes);
        EXPECT_DOUBLE_EQ(shownTime(*controller), testCase.shown) << testCase.name;
    }
}
