#include "RecorderFixture.h"

#include "Rules/PolicyEngine.h"

namespace vesperline::testing {
namespace {

using Block = Recorder::Block;
using ostrel::PowerSnapshot;

class RecorderControlTest : public RecorderFixture {};

TEST_F(RecorderControlTest, AFreshRecorderPublishesNothingUntilItsFirstBlockChange) {
    drain();
    EXPECT_TRUE(statuses.empty());
    EXPECT_TRUE(timers.schedules().empty()) << "no tick before recording";
    startRecording();
    EXPECT_EQ(statuses, std::vector{RecorderStatus::recording(false)});
    EXPECT_EQ(timers.live(tickInterval).size(), 1u);
    EXPECT_EQ(timers.live(tickInterval)[0].delay, 0.5);
    EXPECT_EQ(timers.live(tickInterval)[0].leeway, 0.3);
}

TEST_F(RecorderControlTest, TheStrongestBlockNamesTheStatus) {
    struct Case {
        std::vector<Block> blocks;
        RecorderStatus status;
    };
    const Case cases[] = {
        {{Block::stopped, Block::permission}, RecorderStatus::stopped()},
        {{Block::permission, Block::paused}, RecorderStatus::needsPermission()},
        {{Block::paused, Block::locked}, RecorderStatus::paused()},
        {{Block::screensaver, Block::asleep}, RecorderStatus::locked()},
        {{Block::sessionInactive}, RecorderStatus::locked()},
        {{Block::displayAsleep}, RecorderStatus::asleep()},
    };
    for (const Case& c : cases) {
        TearDown();
        statuses.clear();
        SetUp();
        for (Block block : c.blocks) {
            recorder->setBlock(block, true);
        }
        if (std::find(c.blocks.begin(), c.blocks.end(), Block::stopped) == c.blocks.end()) {
            recorder->setBlock(Block::stopped, false);
        }
        drain();
        ASSERT_FALSE(statuses.empty());
        EXPECT_EQ(statuses.back(), c.status) << statuses.size();
        EXPECT_TRUE(capture.runningStreams().empty()) << "blocked: no stream";
    }
}

TEST_F(RecorderControlTest, ABlockInAndOutPostsOneStatusEach) {
    startRecording();
    recorder->setBlock(Block::locked, true);
    recorder->setBlock(Block::locked, true);
    recorder->setBlock(Block::locked, false);
    recorder->setBlock(Block::locked, false);
    drain();
    EXPECT_EQ(statuses, (std::vector{RecorderStatus::recording(false), RecorderStatus::locked(),
                                     RecorderStatus::recording(false)}));
    EXPECT_TRUE(eventually([&] { return capture.runningStreams().size() == 1; })) << "streaming again";
}

TEST_F(RecorderControlTest, APowerChangeThatKeepsThePolicyChangesNothing) {
    startRecording();
    recorder->updatePower(PowerSnapshot{false, 0.8, false, 0});
    drain();
    EXPECT_TRUE(policies.empty());
    EXPECT_EQ(timers.schedules().size(), 1u);
}

TEST_F(RecorderControlTest, OnBatteryTheRunningStreamSlowsDownWithoutAnyRestart) {
    startRecording();
    recorder->updatePower(PowerSnapshot{true, 0.8, false, 0});
    ASSERT_TRUE(eventually([&] { return !capture.streams()[0]->configurationUpdates.empty(); }));
    ASSERT_EQ(policies.size(), 1u);
    EXPECT_EQ(policies[0].reason, ostrel::CapturePolicy::Reason::battery);
    EXPECT_EQ(capture.streams()[0]->configurationUpdates.back().minimumFrameInterval, 2.0);
    EXPECT_EQ(capture.streams()[0]->configurationUpdates.back().width, 1920) << "only the interval changes";
    EXPECT_EQ(capture.streams().size(), 1u);
    EXPECT_EQ(timers.schedules().size(), 1u) << "the tick timer stays";
    EXPECT_EQ(statuses.size(), 1u);
}

TEST_F(RecorderControlTest, TextOnlyCaptureStopsStreamsAndTicksEveryTwoSeconds) {
    startRecording();
    RecorderConfig config;
    config.textOnly = true;
    recorder->applyConfig(config);
    ASSERT_TRUE(eventually([&] { return capture.runningStreams().empty(); }));
    EXPECT_EQ(statuses.back(), RecorderStatus::recording(true));
    EXPECT_TRUE(timers.live(tickInterval).empty());
    EXPECT_EQ(timers.live(textOnlyTickInterval).size(), 1u);

    recorder->applyConfig(RecorderConfig{});
    ASSERT_TRUE(eventually([&] { return capture.runningStreams().size() == 1; })) << "images again";
    EXPECT_EQ(statuses.back(), RecorderStatus::recording(false));
    EXPECT_EQ(timers.live(tickInterval).size(), 1u);
}

TEST_F(RecorderControlTest, ANewImageQualityLeavesStreamsAndTimerAlone) {
    startRecording();
    RecorderConfig config;
    config.imageQuality = ImageQuality::sharp;
    recorder->applyConfig(config);
    drain();
    EXPECT_EQ(capture.streams().size(), 1u);
    EXPECT_EQ(timers.schedules().size(), 1u);
    EXPECT_TRUE(policies.empty());
}

TEST_F(RecorderControlTest, AllDisplaysOrOnlyTheActiveOne) {
    startRecording();
    EXPECT_EQ(capture.runningStreams()[0]->displayID, mainDisplay);
    RecorderConfig config;
    config.allDisplays = true;
    recorder->applyConfig(config);
    ASSERT_TRUE(eventually([&] { return capture.runningStreams().size() == 2; }));
    EXPECT_EQ(capture.runningStreams()[1]->displayID, rightDisplay);
    EXPECT_EQ(capture.runningStreams()[1]->configuration,
              (platform::DisplayStreamConfiguration{1280, 1024, 1.0}));
    recorder->applyConfig(RecorderConfig{});
    ASSERT_TRUE(eventually([&] { return capture.runningStreams().size() == 1; }));
    EXPECT_EQ(capture.runningStreams()[0]->displayID, mainDisplay);
}

} // namespace
} // namespace vesperline::testing
