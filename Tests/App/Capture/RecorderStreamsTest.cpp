#include "RecorderFixture.h"

#include <future>

namespace vesperline::testing {
namespace {

using Block = Recorder::Block;
using platform::DisplayStreamError;
using Kind = platform::DisplayStreamError::Kind;

class RecorderStreamsTest : public RecorderFixture {};

TEST(RecorderStreamConfiguration, SizesAreCappedAtTheWidestStreamAndEven) {
    struct Case {
        double width, height, scale;
        int expectedWidth, expectedHeight;
    };
    const Case cases[] = {
        {5120, 2880, 1, 3840, 2160}, {1512, 982, 2, 3024, 1964},  {1365, 768, 1, 1364, 768},
        {1920, 1080, 1, 1920, 1080}, {3840, 1601, 1, 3840, 1600}, {7680, 1080, 1, 3840, 540},
    };
    for (const Case& c : cases) {
        const auto configuration = Recorder::streamConfiguration(c.width, c.height, c.scale, 2.0);
        EXPECT_EQ(configuration.width, c.expectedWidth) << c.width << "x" << c.height;
        EXPECT_EQ(configuration.height, c.expectedHeight) << c.width << "x" << c.height;
        EXPECT_EQ(configuration.minimumFrameInterval, 2.0);
    }
}

TEST_F(RecorderStreamsTest, StreamsLeaveOutOurOwnWindowsAndTheExcludedApplications) {
    startRecording();
    const auto stream = capture.runningStreams()[0];
    EXPECT_EQ(stream->filter.excludedProcesses, std::set<std::int32_t>{ownPid});
    EXPECT_EQ(stream->filter.excludedApplications, RecorderConfig::defaultExcludedApps());
    EXPECT_EQ(stream->configuration, (platform::DisplayStreamConfiguration{1920, 1080, 1.0}));

    RecorderConfig config;
    config.excludedApps.insert("org.example.Vault");
    recorder->applyConfig(config);
    ASSERT_TRUE(eventually([&] { return stream->filterUpdates.size() == 1; }));
    EXPECT_TRUE(stream->filter.excludedApplications.count("org.example.Vault"));

    recorder->appLaunched("org.example.Editor");
    recorder->appLaunched(std::nullopt);
    recorder->appLaunched("org.example.Vault");
    ASSERT_TRUE(eventually([&] { return stream->filterUpdates.size() == 2; }))
        << "only an excluded application's launch refreshes the filters";
    EXPECT_EQ(capture.streams().size(), 1u);
}

TEST_F(RecorderStreamsTest, FailuresRetryAfterThreeSixAndTwelveSecondsUntilAStartSucceeds) {
    capture.failNextStarts({DisplayStreamError(Kind::failed, "one"), DisplayStreamError(Kind::failed, "two"),
                            DisplayStreamError(Kind::failed, "three")});
    recorder->setBlock(Block::stopped, false);
    ASSERT_TRUE(eventually([&] { return retryDelays().size() == 1; }));
    ASSERT_TRUE(timers.fire(0));
    ASSERT_TRUE(eventually([&] { return retryDelays().size() == 2; }));
    ASSERT_TRUE(timers.fire(0));
    ASSERT_TRUE(eventually([&] { return retryDelays().size() == 3; }));
    ASSERT_TRUE(timers.fire(0));
    ASSERT_TRUE(eventually([&] { return capture.runningStreams().size() == 1; }));
    EXPECT_EQ(retryDelays(), (std::vector<double>{3, 6, 12}));
    EXPECT_EQ(statuses, std::vector{RecorderStatus::recording(false)}) << "failures do not change the status";

    // The good start reset the back-off: the next failure retries after 3 s again.
    capture.runningStreams()[0]->stopBySystem(DisplayStreamError(Kind::displayChanged, "monitor gone"));
    ASSERT_TRUE(eventually([&] { return retryDelays().size() == 4; }));
    EXPECT_EQ(retryDelays().back(), 3);
}

TEST_F(RecorderStreamsTest, AUserStopPausesWithoutRetrying) {
    startRecording();
    capture.runningStreams()[0]->stopBySystem(DisplayStreamError(Kind::userStopped, "stopped by the user"));
    ASSERT_TRUE(eventually([&] { return userStops == 1; }));
    EXPECT_EQ(statuses.back(), RecorderStatus::paused());
    EXPECT_TRUE(retryDelays().empty());
    EXPECT_TRUE(timers.live(tickInterval).empty()) << "recording stopped";
}

TEST_F(RecorderStreamsTest, WithoutPermissionItPollsEveryThreeSecondsAndResumesWhenGranted) {
    capture.setPermission(false);
    capture.setContentError(DisplayStreamError(Kind::permissionDenied, "no X display"));
    recorder->setBlock(Block::stopped, false);
    ASSERT_TRUE(eventually(
        [&] { return !statuses.empty() && statuses.back() == RecorderStatus::needsPermission(); }));
    ASSERT_EQ(timers.live(3).size(), 1u);
    EXPECT_EQ(timers.live(3)[0].delay, 3);
    EXPECT_TRUE(retryDelays().empty());

    ASSERT_TRUE(timers.fire(3));
    drain();
    EXPECT_EQ(statuses.back(), RecorderStatus::needsPermission()) << "still none";

    capture.setPermission(true);
    capture.setContentError(std::nullopt);
    ASSERT_TRUE(timers.fire(3));
    ASSERT_TRUE(eventually([&] { return capture.runningStreams().size() == 1; }));
    EXPECT_EQ(statuses.back(), RecorderStatus::recording(false));
    EXPECT_TRUE(timers.live(3).empty()) << "the poll ends";
}

TEST_F(RecorderStreamsTest, ALostConnectionWithoutADisplayToReadBecomesAPermissionWait) {
    startRecording();
    capture.setPermission(false);
    capture.runningStreams()[0]->stopBySystem(
        DisplayStreamError(Kind::connectionLost, "the X server went away"));
    ASSERT_TRUE(eventually([&] { return statuses.back() == RecorderStatus::needsPermission(); }));
    EXPECT_TRUE(retryDelays().empty());
}

TEST_F(RecorderStreamsTest, RequestsWhileATaskRunsAreFoldedIntoOneFurtherReconciliation) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    startRecording();
    capture.setOnContent([released] { released.wait(); });
    RecorderConfig config;
    config.allDisplays = true;
    recorder->applyConfig(config); // a task starts and waits inside
    ASSERT_TRUE(eventually([&] { return capture.contentReads() == 2; }));
    recorder->appLaunched("org.keepassxc.KeePassXC"); // refresh filters, deferred
    recorder->displaysChanged();                      // restart, deferred
    drain();
    capture.setOnContent({});
    release.set_value();
    // The held task starts display 2; the one further reconciliation restarts both displays.
    ASSERT_TRUE(
        eventually([&] { return capture.streams().size() == 4 && capture.runningStreams().size() == 2; }));
    drain();
    EXPECT_EQ(capture.contentReads(), 3) << "exactly one further task";
}

TEST_F(RecorderStreamsTest, AStreamStartedWhileThePolicyChangedTakesTheNewInterval) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    capture.setOnContent([released] { released.wait(); });
    recorder->setBlock(Block::stopped, false); // the first task waits inside
    ASSERT_TRUE(eventually([&] { return capture.contentReads() == 1; }));
    recorder->updatePower(ostrel::PowerSnapshot{true, 0.8, false, 0}); // on battery: one sample per 2 s
    drain();
    capture.setOnContent({});
    release.set_value();
    ASSERT_TRUE(eventually([&] {
        const auto running = capture.runningStreams();
        return running.size() == 1 && running[0]->configuration.minimumFrameInterval == 2.0;
    }));
}

} // namespace
} // namespace vesperline::testing
