#include "Capture/DisplayCapturer.h"
#include "Platform/Fake/FakeDisplayCapture.h"
#include "Platform/Fake/FakeWindowServer.h"
#include "Platform/Fake/FakeWorkspace.h"
#include "Support/ManualClock.h"

#include <gtest/gtest.h>

namespace vesperline {
namespace {

using ostrel::Rect;
using platform::DisplaySample;
using platform::DisplayStreamError;

constexpr std::uint32_t displayID = 7;
constexpr std::int32_t browserPID = 100;

class DisplayCapturerTest : public ::testing::Test {
  protected:
    DisplayCapturerTest() {
        workspace.applications[browserPID] = {browserPID, "firefox", "Firefox"};
        capturer->start({{"org.keepassxc.KeePassXC"}, {42}}, {200, 100, 1.0});
    }

    // A complete 200 x 100 picture with the given changed rectangles (none: the stream cannot tell).
    static DisplaySample picture(std::optional<std::vector<Rect>> dirty) {
        return {DisplaySample::Status::complete, std::make_shared<ostrel::BGRAImage>(200, 100),
                std::move(dirty)};
    }
    static DisplaySample withDirt(double fraction) {
        return picture(std::vector<Rect>{{0, 0, 200 * fraction, 100}});
    }
    void browserAt(double x) {
        windowServer.windows = {{1, browserPID, Rect{x, 0, 100, 100}, std::nullopt,
                                 platform::WindowType::normal, "firefox", "Page"}};
    }
    void deliver(const DisplaySample& sample) { capture.streams().back()->deliver(sample); }

    testsupport::ManualClock clock{1'750'000'000, 500};
    platform::FakeWindowServer windowServer;
    platform::FakeWorkspace workspace;
    WindowList windowList{windowServer, workspace};
    platform::FakeDisplayCapture capture;
    std::shared_ptr<DisplayCapturer> capturer = DisplayCapturer::make(displayID, capture, windowList, clock);
};

TEST_F(DisplayCapturerTest, StartsItsDisplaysStreamWithFilterAndConfiguration) {
    const auto streams = capture.streams();
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0]->displayID, displayID);
    EXPECT_EQ(streams[0]->filter.excludedProcesses, std::set<std::int32_t>{42});
    EXPECT_EQ(streams[0]->configuration, (platform::DisplayStreamConfiguration{200, 100, 1.0}));
    EXPECT_EQ(capturer->lastConfiguration(), streams[0]->configuration);
    EXPECT_TRUE(capturer->isStreaming());
}

TEST_F(DisplayCapturerTest, ChangedShareOfASample) {
    struct Case {
        const char* name;
        std::optional<std::vector<Rect>> dirty;
        double fraction;
        bool changed;
    };
    const Case cases[] = {
        {"no dirty entry: all changed", std::nullopt, 1.0, true},
        {"empty list: nothing changed", std::vector<Rect>{}, 0.0, false},
        {"a quarter", std::vector<Rect>{{0, 0, 100, 50}}, 0.25, true},
        {"overlapping areas add up", std::vector<Rect>{{0, 0, 100, 50}, {50, 0, 100, 50}}, 0.5, true},
        {"two full screens count once", std::vector<Rect>{{0, 0, 200, 100}, {0, 0, 200, 100}}, 1.0, true},
        {"larger than the frame", std::vector<Rect>{{-50, -50, 400, 400}}, 1.0, true},
        {"empty rectangles add nothing", std::vector<Rect>{{10, 10, 0, 30}, {10, 10, -5, 30}}, 0.0, false},
    };
    for (const Case& c : cases) {
        capturer->clearChange();
        deliver(picture(c.dirty));
        const DisplayCapturer::ChangeState state = capturer->changeState();
        EXPECT_DOUBLE_EQ(state.dirtyAccumulated, c.fraction) << c.name;
        EXPECT_EQ(state.changed, c.changed) << c.name;
        EXPECT_TRUE(capturer->latestFrame().image) << c.name << ": the picture is kept either way";
    }
}

TEST_F(DisplayCapturerTest, AnIdleSampleChangesNothing) {
    deliver(withDirt(0.5));
    const DisplayCapturer::Snapshot before = capturer->latestFrame();
    clock.advance(1);
    browserAt(300);
    deliver({DisplaySample::Status::idle, nullptr, std::nullopt});
    deliver({DisplaySample::Status::complete, nullptr, std::nullopt});
    const DisplayCapturer::Snapshot after = capturer->latestFrame();
    EXPECT_EQ(after.image, before.image);
    EXPECT_EQ(after.latestAt, before.latestAt);
    EXPECT_EQ(after.latestWindows, before.latestWindows);
    EXPECT_EQ(after.previousWindows, before.previousWindows);
    EXPECT_EQ(windowServer.reads, 1) << "no window list read for a sample that is dropped";
}

TEST_F(DisplayCapturerTest, ChangeAccumulatesUntilTakenAndIsReportedAtMostWhole) {
    EXPECT_FALSE(capturer->latestFrame().image) << "nothing yet";
    for (int i = 0; i < 3; ++i) {
        deliver(withDirt(0.5));
    }
    EXPECT_DOUBLE_EQ(capturer->changeState().dirtyAccumulated, 1.5) << "reading does not clear";
    const DisplayCapturer::Snapshot first = capturer->latestFrame();
    ASSERT_TRUE(first.image);
    EXPECT_DOUBLE_EQ(first.dirtyFraction, 1.0);
    EXPECT_EQ(first.width, 200);
    EXPECT_EQ(first.height, 100);
    EXPECT_EQ(first.latestAt, 500);
    const DisplayCapturer::Snapshot second = capturer->latestFrame();
    EXPECT_EQ(second.image, first.image) << "the picture stays";
    EXPECT_EQ(second.dirtyFraction, 0);
    EXPECT_FALSE(capturer->changeState().changed);
}

TEST_F(DisplayCapturerTest, KeepsTheWindowListsOfTheLastTwoPictures) {
    browserAt(0);
    deliver(withDirt(0.1));
    DisplayCapturer::Snapshot snapshot = capturer->latestFrame();
    ASSERT_EQ(snapshot.latestWindows.size(), 1u);
    EXPECT_FALSE(snapshot.previousWindows) << "the first picture has no previous list";
    const auto firstList = snapshot.latestWindows;
    browserAt(50);
    deliver(withDirt(0.1));
    snapshot = capturer->latestFrame();
    EXPECT_EQ(snapshot.previousWindows, firstList);
    EXPECT_EQ(snapshot.latestWindows[0].frame.x, 50);

    capturer->resetLatest();
    EXPECT_FALSE(capturer->latestFrame().image);
    deliver(withDirt(0.1));
    EXPECT_EQ(capturer->latestFrame().previousWindows->at(0).frame.x, 50) << "a reset keeps the lists";
}

TEST_F(DisplayCapturerTest, MotionTest) {
    struct Case {
        const char* name;
        std::vector<std::pair<double, double>> entries; // (seconds before now, dirt)
        bool moving;
    };
    auto repeat = [](int count, double age, double dirt) {
        return std::vector<std::pair<double, double>>(count, {age, dirt});
    };
    auto join = [](std::vector<std::pair<double, double>> a,
                   const std::vector<std::pair<double, double>>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Case cases[] = {
        {"11 recent entries, all moving", repeat(11, 1, 0.5), false},
        {"10 of 12 moving", join(repeat(10, 1, 0.003), repeat(2, 1, 0.0)), true},
        {"9 of 12 moving", join(repeat(9, 1, 0.5), repeat(3, 1, 0.0029)), false},
        // A terminal of 360 x 208 pixels printing on a 1920 x 1080 display moves it as it moves a
        // display of half the width.
        {"a small window that keeps changing", repeat(12, 1, 0.036), true},
        {"a blinking caret", repeat(30, 1, 0.0001), false},
        {"older than 30 s do not count", join(repeat(12, 30.5, 0.5), repeat(11, 1, 0.5)), false},
        {"exactly 30 s old counts", join(repeat(1, 30, 0.5), repeat(11, 1, 0.5)), true},
        {"entries after now count", repeat(12, -2, 0.5), true},
        // 65 samples keep the newest 64: the first (moving) one goes, which leaves 51 of 64 (< 0.8);
        // all 65 would give 52 of 65 (= 0.8).
        {"history of 64", join(join(repeat(1, 1, 1.0), repeat(13, 1, 0.0)), repeat(51, 1, 1.0)), false},
    };
    for (const Case& c : cases) {
        capturer->stop();
        auto fresh = DisplayCapturer::make(displayID, capture, windowList, clock);
        fresh->start({}, {200, 100, 1.0});
        const double now = 1000;
        for (const auto& [age, dirt] : c.entries) {
            clock.setUptime(now - age);
            deliver(withDirt(dirt));
        }
        EXPECT_EQ(fresh->isContinuouslyChanging(now), c.moving) << c.name;
        fresh->stop();
    }
}

TEST_F(DisplayCapturerTest, AStopForgetsTheFrameStateAndAStreamThatStopsByItselfIsReported) {
    deliver(withDirt(1.0));
    capturer->stop();
    EXPECT_TRUE(capture.streams()[0]->stopped);
    EXPECT_FALSE(capturer->isStreaming());
    EXPECT_FALSE(capturer->latestFrame().image);

    auto second = DisplayCapturer::make(displayID, capture, windowList, clock);
    std::vector<DisplayStreamError::Kind> stops;
    second->setOnStop([&](DisplayCapturer& which, const DisplayStreamError& error) {
        EXPECT_EQ(&which, second.get());
        stops.push_back(error.kind());
    });
    second->start({}, {200, 100, 1.0});
    deliver(withDirt(1.0));
    capture.streams().back()->stopBySystem(
        DisplayStreamError(DisplayStreamError::Kind::displayChanged, "gone"));
    EXPECT_EQ(stops, std::vector{DisplayStreamError::Kind::displayChanged});
    EXPECT_FALSE(second->isStreaming());
    EXPECT_FALSE(second->latestFrame().image);
}

TEST_F(DisplayCapturerTest, AFailedStartKeepsNothing) {
    auto failing = DisplayCapturer::make(displayID, capture, windowList, clock);
    capture.failNextStarts({DisplayStreamError(DisplayStreamError::Kind::permissionDenied, "no display")});
    EXPECT_THROW(failing->start({}, {200, 100, 1.0}), DisplayStreamError);
    EXPECT_FALSE(failing->isStreaming());
    EXPECT_FALSE(failing->lastConfiguration());
}

} // namespace
} // namespace vesperline
