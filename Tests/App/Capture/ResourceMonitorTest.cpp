#include "Capture/ResourceMonitor.h"
#include "Platform/Fake/FakePowerSource.h"
#include "Platform/Fake/FakeProcessResources.h"
#include "Runtime/MainThread.h"
#include "Store/StoreHub.h"
#include "Support/ManualClock.h"
#include "Support/ManualTimers.h"
#include "Support/TemporaryDirectory.h"

#include <QTest>

#include <gtest/gtest.h>

namespace vesperline {
namespace {

using platform::ResourceSample;

// 2025-03-01 14:05:09 in Istanbul, where the tests run.
constexpr ostrel::Time fixedMoment = 1740827109;

class ResourceMonitorTest : public ::testing::Test {
  protected:
    ResourceMonitorTest() {
        power.capacityWattHours = 52.6;
        monitor = std::make_unique<ResourceMonitor>(hub, resources, power, clock, timers);
        monitor->onUpdate = [this] { ++updates; };
    }

    // Today's totals, or none when no row was written.
    std::optional<ostrel::DayStats> today() {
        const std::string day = ostrel::MemoryStore::dayKey(fixedMoment);
        const auto rows = hub.readSync([&](ostrel::MemoryStore& store) { return store.stats(day, day); });
        return rows.empty() ? std::nullopt : std::optional(rows.front());
    }
    // Waits for the main-thread posts made so far.
    void settle() {
        bool drained = false;
        MainThread::post([&] { drained = true; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return drained; }));
    }
    void startWith(std::optional<ResourceSample> baseline) {
        resources.setNext(baseline);
        monitor->start();
        // The baseline is taken on the monitor's queue; a final sample queues behind it.
        ASSERT_TRUE(QTest::qWaitFor([&] { return resources.samples() == 1; }));
    }

    testsupport::DataFolder data;
    testsupport::ManualClock clock{fixedMoment};
    testsupport::ManualTimers timers;
    StoreHub hub{data.path(), clock};
    platform::FakeProcessResources resources;
    platform::FakePowerSource power;
    std::unique_ptr<ResourceMonitor> monitor;
    int updates = 0;
};

TEST_F(ResourceMonitorTest, WritesWhatWasSpentSinceTheLastSample) {
    EXPECT_EQ(monitor->batteryWh(), 52.6);
    startWith(ResourceSample{100, 900});
    resources.setNext(ResourceSample{101.5, 915});
    monitor->finalSample();
    settle();
    auto row = today();
    ASSERT_TRUE(row);
    EXPECT_DOUBLE_EQ(row->cpuSeconds, 1.5) << "what was spent before the start is not counted";
    EXPECT_DOUBLE_EQ(row->energyJoules, 15);
    EXPECT_EQ(row->framesSaved + row->framesSkipped + row->ocrRuns + row->bytesWritten, 0);
    EXPECT_EQ(updates, 1);

    monitor->finalSample(); // nothing spent: no write, nobody woken
    settle();
    EXPECT_DOUBLE_EQ(today()->cpuSeconds, 1.5);
    EXPECT_EQ(updates, 1);
}

TEST_F(ResourceMonitorTest, SamplesEveryMinuteFromAMinuteAfterTheStart) {
    startWith(ResourceSample{100, 900});
    monitor->finalSample(); // waits for the start's block, which schedules the timer
    const auto schedules = timers.schedules();
    ASSERT_EQ(schedules.size(), 1u);
    EXPECT_EQ(schedules[0].delay, 60);
    EXPECT_EQ(schedules[0].interval, 60);
    EXPECT_EQ(schedules[0].leeway, 10);

    resources.setNext(ResourceSample{102, 920});
    ASSERT_TRUE(timers.fire(60));
    resources.setNext(ResourceSample{103, 930});
    ASSERT_TRUE(timers.fire(60));
    settle();
    ASSERT_TRUE(today());
    EXPECT_DOUBLE_EQ(today()->cpuSeconds, 3);
    EXPECT_DOUBLE_EQ(today()->energyJoules, 30);
    EXPECT_EQ(updates, 2);

    monitor.reset();
    EXPECT_FALSE(timers.fire(60)) << "the minute timer goes with the monitor";
}

TEST_F(ResourceMonitorTest, FailedSamplesLoseNothingAndCountNothingTwice) {
    startWith(std::nullopt);
    resources.setNext(ResourceSample{10, 100});
    monitor->finalSample(); // the first good sample only becomes the baseline
    EXPECT_FALSE(today());

    resources.setNext(std::nullopt);
    monitor->finalSample();
    resources.setNext(ResourceSample{14, 140});
    monitor->finalSample(); // compared with the last good one
    settle();
    ASSERT_TRUE(today());
    EXPECT_DOUBLE_EQ(today()->cpuSeconds, 4);
    EXPECT_DOUBLE_EQ(today()->energyJoules, 40);
    EXPECT_EQ(updates, 1);
}

TEST_F(ResourceMonitorTest, ACountThatGoesBackContributesNothing) {
    startWith(ResourceSample{10, 100});
    resources.setNext(ResourceSample{9, 130});
    monitor->finalSample();
    resources.setNext(ResourceSample{10, std::nan("")});
    monitor->finalSample();
    settle();
    ASSERT_TRUE(today());
    EXPECT_DOUBLE_EQ(today()->cpuSeconds, 1) << "the minute that went back gave 0, the next one 1";
    EXPECT_DOUBLE_EQ(today()->energyJoules, 30);
}

} // namespace
} // namespace vesperline
