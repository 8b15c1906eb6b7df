#include "Capture/ActivityTracker.h"
#include "Platform/Fake/FakeUserIdle.h"
#include "Runtime/AppIdentity.h"
#include "Runtime/MainThread.h"
#include "Store/StoreHub.h"
#include "Support/ManualClock.h"
#include "Support/TemporaryDirectory.h"

#include <QTest>

#include <gtest/gtest.h>

namespace vesperline {
namespace {

using platform::RunningApplication;

constexpr ostrel::Time t0 = 1740827109;
const FrontmostApp editor{10, "org.example.Editor", "Editor"};
const FrontmostApp browser{20, "org.example.Browser", "Browser"};

class ActivityTrackerTest : public ::testing::Test {
  protected:
    // Brings `app` to the front, as the frontmost tracker would report it.
    void activate(const std::optional<FrontmostApp>& app) {
        frontmost.update(app ? std::optional(RunningApplication{app->pid, app->bundleID, app->name})
                             : std::nullopt);
        tracker.frontmostChanged(app);
    }
    // Waits until the writes posted so far, their completions on the main thread and the writes
    // those post are done.
    void settle() {
        for (int round = 0; round < 2; ++round) {
            hub.sync([](ostrel::MemoryStore&) {});
            bool drained = false;
            MainThread::post([&] { drained = true; });
            ASSERT_TRUE(QTest::qWaitFor([&] { return drained; }));
        }
    }
    std::vector<ostrel::ActivitySpan> spans() {
        settle();
        return hub.readSync([](ostrel::MemoryStore& store) { return store.activity(0, 4e9); });
    }
    // Makes every later insert of a span fail.
    void refuseInserts() {
        hub.sync([](ostrel::MemoryStore& store) {
            store.db().execute("CREATE TRIGGER refuse BEFORE INSERT ON activity "
                               "BEGIN SELECT RAISE(ABORT, 'refused'); END");
        });
    }

    testsupport::DataFolder data;
    testsupport::ManualClock clock{t0};
    StoreHub hub{data.path(), clock};
    platform::FakeUserIdle idle;
    FrontmostTracker frontmost;
    static constexpr std::int32_t ownPid = 4242;
    ActivityTracker tracker{hub, idle, ownPid, frontmost, clock};
};

struct Expected {
    double start;
    double end;
    std::optional<std::string> bundleID;
    std::optional<std::string> project = std::nullopt;
    std::optional<std::string> title = std::nullopt;
};

void expectSpans(const std::vector<ostrel::ActivitySpan>& spans, const std::vector<Expected>& expected) {
    ASSERT_EQ(spans.size(), expected.size());
    for (std::size_t i = 0; i < spans.size(); ++i) {
        EXPECT_DOUBLE_EQ(spans[i].start - t0, expected[i].start) << "span " << i;
        EXPECT_DOUBLE_EQ(spans[i].end - t0, expected[i].end) << "span " << i;
        EXPECT_EQ(spans[i].appBundleID, expected[i].bundleID) << "span " << i;
        EXPECT_EQ(spans[i].project, expected[i].project) << "span " << i;
        EXPECT_EQ(spans[i].windowTitle, expected[i].title) << "span " << i;
    }
}

TEST_F(ActivityTrackerTest, SwitchingAppsEndsOneSpanAndBeginsTheNext) {
    activate(editor);
    tracker.setEnabled(true);
    tracker.setEnabled(true); // once is enough
    settle();
    clock.advance(30);
    tracker.checkIdle();
    clock.advance(30);
    activate(FrontmostApp{11, "org.example.Editor", "Editor — other window"});
    clock.advance(15);
    activate(browser);
    expectSpans(spans(), {{0, 75, editor.bundleID}, {75, 75, browser.bundleID}});
    EXPECT_EQ(spans()[0].appName, "Editor");

    clock.advance(45);
    tracker.setEnabled(false);
    clock.advance(10);
    tracker.setEnabled(false);
    expectSpans(spans(), {{0, 75, editor.bundleID}, {75, 120, browser.bundleID}});
}

TEST_F(ActivityTrackerTest, IdlenessEndsTheSpanAtTheLastInputAndTheReturnOpensOneAtTheCheck) {
    activate(editor);
    tracker.setEnabled(true);
    settle();
    for (int tick = 1; tick <= 12; ++tick) { // six minutes, the last input at the start
        clock.advance(30);
        idle.seconds = 30.0 * tick;
        tracker.checkIdle();
    }
    EXPECT_TRUE(tracker.isIdle());
    EXPECT_FALSE(tracker.current());
    activate(browser); // ignored while idle
    EXPECT_FALSE(tracker.current());

    clock.advance(60); // seven minutes: input again
    idle.seconds = 20;
    tracker.checkIdle();
    EXPECT_FALSE(tracker.isIdle());
    settle(); // extensions reach the database once the insert has come back
    clock.advance(30);
    idle.seconds = 5;
    tracker.checkIdle();
    expectSpans(spans(), {{0, 0, editor.bundleID}, {420, 450, browser.bundleID}});
}

TEST_F(ActivityTrackerTest, ASpanEndedBeforeItsRowExistsIsWrittenWhenTheRowIdArrives) {
    activate(editor);
    tracker.setEnabled(true);
    clock.advance(5);
    activate(browser); // the editor's insert has not come back yet
    EXPECT_EQ(tracker.pendingEndCount(), 1u);
    expectSpans(spans(), {{0, 5, editor.bundleID}, {5, 5, browser.bundleID}});
    EXPECT_EQ(tracker.pendingEndCount(), 0u);
}

TEST_F(ActivityTrackerTest, OwnAndExcludedAppsGetNoTime) {
    tracker.excludedApps = {"org.example.Passwords"};
    activate(editor);
    tracker.setEnabled(true);
    clock.advance(10);
    activate(FrontmostApp{1, appID, "Vesperline"});
    EXPECT_FALSE(tracker.current());
    clock.advance(10);
    // Our windows as the desktop names them: by their window class, not the application id.
    activate(FrontmostApp{ownPid, "vesperline", "vesperline"});
    EXPECT_FALSE(tracker.current()) << "our own process";
    clock.advance(10);
    activate(FrontmostApp{2, "org.example.Passwords", "Passwords"});
    EXPECT_FALSE(tracker.current());
    clock.advance(10);
    activate(FrontmostApp{3, std::nullopt, "Nameless"});
    EXPECT_FALSE(tracker.current());
    clock.advance(10);
    activate(browser);
    expectSpans(spans(), {{0, 10, editor.bundleID}, {50, 50, browser.bundleID}});
}

TEST_F(ActivityTrackerTest, SavedMomentsCarryTitleAndProjectAndANewProjectBeginsANewSpan) {
    activate(editor);
    tracker.setEnabled(true);
    settle();
    clock.advance(10);
    tracker.noteCapturedFrame(editor.bundleID, "notes.txt — Editor", "Atlas");
    clock.advance(10);
    tracker.noteCapturedFrame(browser.bundleID, "News", "Other"); // another app's moment
    clock.advance(10);
    tracker.noteCapturedFrame(editor.bundleID, "plan.md — Editor", "Atlas");
    clock.advance(10);
    tracker.noteCapturedFrame(editor.bundleID, "budget.ods — Editor", "Borealis");
    settle();
    clock.advance(10);
    tracker.checkIdle();
    expectSpans(spans(), {{0, 40, editor.bundleID, "Atlas", "plan.md — Editor"},
                          {40, 50, editor.bundleID, "Borealis", "budget.ods — Editor"}});
}

TEST_F(ActivityTrackerTest, EndingBeforeTheStartGivesNoNegativeSpan) {
    activate(editor);
    tracker.setEnabled(true);
    settle();
    tracker.endCurrentSpan(t0 - 100);
    expectSpans(spans(), {{0, 0, editor.bundleID}});
}

TEST_F(ActivityTrackerTest, NoSpanBeginsWhileDeletionSuspendsTheTracker) {
    activate(editor);
    tracker.setEnabled(true);
    settle();
    tracker.suspended = true;
    tracker.endCurrentSpan(clock.now());
    clock.advance(10);
    activate(browser);
    EXPECT_FALSE(tracker.current());
    tracker.suspended = false;
    tracker.beginSpan(frontmost.current(), std::nullopt, std::nullopt);
    expectSpans(spans(), {{0, 0, editor.bundleID}, {10, 10, browser.bundleID}});
}

TEST_F(ActivityTrackerTest, AFailedInsertLeavesNoPendingEndBehind) {
    refuseInserts();
    activate(editor);
    tracker.setEnabled(true);
    clock.advance(5);
    activate(browser); // the editor's span ends before its insert fails
    EXPECT_EQ(tracker.pendingEndCount(), 1u);
    settle();
    EXPECT_EQ(tracker.pendingEndCount(), 0u);

    // The browser's insert failed while its span was open: ending it has nothing to wait for.
    ASSERT_TRUE(tracker.current());
    clock.advance(5);
    activate(editor);
    EXPECT_EQ(tracker.pendingEndCount(), 0u);
    EXPECT_TRUE(spans().empty());
}

} // namespace
} // namespace vesperline
