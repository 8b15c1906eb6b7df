#pragma once

#include "Capture/Recorder.h"
#include "Platform/Fake/FakeAccessibility.h"
#include "Platform/Fake/FakeDisplayCapture.h"
#include "Platform/Fake/FakeDisplays.h"
#include "Platform/Fake/FakeTextRecognizer.h"
#include "Platform/Fake/FakeUserIdle.h"
#include "Platform/Fake/FakeVideoFiles.h"
#include "Platform/Fake/FakeWindowServer.h"
#include "Platform/Fake/FakeWorkspace.h"
#include "Store/StoreHub.h"
#include "Support/ManualClock.h"
#include "Support/ManualTimers.h"
#include "Support/TemporaryDirectory.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>

namespace vesperline::testing {

// A recorder on the fakes of the platform layer, a real store in a temporary data folder, timers the
// test fires and a clock it moves. Two displays: 1 (main, 1920 x 1080) and 2 to its right.
class RecorderFixture : public ::testing::Test {
  protected:
    static constexpr std::uint32_t mainDisplay = 1;
    static constexpr std::uint32_t rightDisplay = 2;
    static constexpr std::int32_t ownPid = 4242;
    static constexpr double tickInterval = 1.0;
    static constexpr double textOnlyTickInterval = 2.0;

    RecorderFixture() {
        displays.layout = {{mainDisplay, {0, 0, 1920, 1080}, "main", true},
                           {rightDisplay, {1920, 0, 1280, 1024}, "right", false}};
        capture.setDisplays(displays.layout);
    }

    void SetUp() override {
        hub = std::make_unique<StoreHub>(dataFolder.path(), clock);
        recorder = std::make_unique<Recorder>(*hub, Recorder::Services{capture,
                                                                       displays,
                                                                       windowServer,
                                                                       workspace,
                                                                       accessibility,
                                                                       recognizer,
                                                                       userIdle,
                                                                       videoFiles,
                                                                       frontmost,
                                                                       timers,
                                                                       clock,
                                                                       ownPid,
                                                                       {"en-US"},
                                                                       freeSpace});
        Recorder::Events events;
        events.status = [this](const RecorderStatus& status) { statuses.push_back(status); };
        events.skip = [this](const SkipReason& reason) { skips.push_back(reason); };
        events.saved = [this](const ostrel::FrameSummary& summary,
                              const std::optional<std::string>& project) {
            saved.emplace_back(summary, project);
        };
        events.policy = [this](const ostrel::CapturePolicy& policy) { policies.push_back(policy); };
        events.userStopped = [this] { ++userStops; };
        events.saving = [this](const SavingIssue& issue) { savingIssues.push_back(issue); };
        recorder->setEvents(events);
    }

    void TearDown() override {
        recorder.reset();
        hub.reset();
    }

    // Lets every operation posted so far run on the recorder queue, then delivers the events it
    // posted to the main thread.
    void drain() {
        recorder->openSegmentPaths();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    }
    // Waits until `condition` holds, delivering events meanwhile.
    template <typename Condition> bool eventually(Condition condition) {
        return QTest::qWaitFor([&] {
            drain();
            return condition();
        });
    }

    // Starts recording with nothing else holding it, and waits for the stream of the main display.
    void startRecording() {
        recorder->setBlock(Recorder::Block::stopped, false);
        ASSERT_TRUE(eventually([&] { return capture.runningStreams().size() == 1; }));
    }

    // Fires the tick timer once (it must be scheduled).
    void tick() {
        ASSERT_TRUE(timers.fire(currentTickInterval()));
        drain();
    }
    double currentTickInterval() const {
        return timers.live(textOnlyTickInterval).empty() ? tickInterval : textOnlyTickInterval;
    }

    // Delays of the one-shot timers (stream retries) scheduled so far.
    std::vector<double> retryDelays() const {
        std::vector<double> delays;
        for (const auto& schedule : timers.schedules()) {
            if (schedule.interval == 0) {
                delays.push_back(schedule.delay);
            }
        }
        return delays;
    }

    testsupport::ManualClock clock{1'741'338'000, 1000};
    testsupport::ManualTimers timers;
    testsupport::DataFolder dataFolder;
    platform::FakeDisplays displays;
    platform::FakeDisplayCapture capture;
    platform::FakeWindowServer windowServer;
    platform::FakeWorkspace workspace;
    platform::FakeAccessibility accessibility;
    platform::FakeTextRecognizer recognizer;
    platform::FakeUserIdle userIdle;
    platform::FakeVideoFiles videoFiles;
    FrontmostTracker frontmost;
    std::unique_ptr<StoreHub> hub;
    std::unique_ptr<Recorder> recorder;

    std::vector<RecorderStatus> statuses;
    std::vector<SkipReason> skips;
    std::vector<std::pair<ostrel::FrameSummary, std::optional<std::string>>> saved;
    std::vector<ostrel::CapturePolicy> policies;
    std::vector<SavingIssue> savingIssues;
    int userStops = 0;
    // What the data folder's disk has free; plenty unless a test says otherwise.
    std::atomic<std::int64_t> freeBytes{std::int64_t(1) << 40};
    SegmentManager::FreeSpace freeSpace = [this](const std::filesystem::path&) {
        return std::optional<std::int64_t>(freeBytes.load());
    };
};

} // namespace vesperline::testing
