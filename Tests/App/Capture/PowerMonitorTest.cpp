#include "Capture/PowerMonitor.h"
#include "Platform/Fake/FakePowerSource.h"
#include "Runtime/MainThread.h"
#include "Support/ManualDelays.h"

#include <QTest>

#include <gtest/gtest.h>

namespace vesperline {
namespace {

TEST(PowerMonitorTest, NoticesReadAgainOnTheMainThreadAndReportOnlyChanges) {
    platform::FakePowerSource source;
    PowerMonitor monitor(source);
    std::vector<ostrel::PowerSnapshot> changes;
    monitor.onChange = [&](const ostrel::PowerSnapshot& snapshot) { changes.push_back(snapshot); };

    monitor.start();
    EXPECT_TRUE(changes.empty()) << "the same as the initial state is no change";

    source.state.lowPowerMode = true;
    source.notify();
    EXPECT_TRUE(changes.empty()) << "the notice is handled later, never inside the source's call";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !changes.empty(); }));
    EXPECT_TRUE(changes[0].lowPowerMode);

    const int reads = source.reads;
    source.notify();
    ASSERT_TRUE(QTest::qWaitFor([&] { return source.reads > reads; }));
    EXPECT_EQ(changes.size(), 1u);
}

// Charge and temperature change without a notice: the minute's look finds them.
TEST(PowerMonitorTest, ChangesWithoutANoticeAreFoundEveryMinute) {
    testsupport::ManualClock clock;
    testsupport::ManualDelays delays(clock);
    platform::FakePowerSource source;
    std::vector<ostrel::PowerSnapshot> changes;
    {
        PowerMonitor monitor(source, delays);
        monitor.onChange = [&](const ostrel::PowerSnapshot& snapshot) { changes.push_back(snapshot); };
        monitor.start();

        source.state.batteryLevel = 0.4;
        delays.advance(PowerMonitor::pollInterval - 1);
        EXPECT_TRUE(changes.empty());
        delays.advance(1);
        ASSERT_EQ(changes.size(), 1u);
        EXPECT_EQ(changes[0].batteryLevel, 0.4);

        source.state.thermalLevel = 2;
        delays.advance(PowerMonitor::pollInterval);
        ASSERT_EQ(changes.size(), 2u);
        EXPECT_EQ(changes[1].thermalLevel, 2);
        EXPECT_EQ(delays.pending(), 1) << "one look at a time";
    }
    EXPECT_EQ(delays.pending(), 0) << "the monitor's looks end with it";
}

TEST(PowerMonitorTest, NoticesAfterTheMonitorIsGoneDoNothing) {
    platform::FakePowerSource source;
    auto monitor = std::make_unique<PowerMonitor>(source);
    monitor->start();
    source.notify(); // posted, then the monitor goes
    monitor.reset();
    source.notify(); // nobody listens any more
    const int reads = source.reads;
    // Posted blocks run in order: once this one has run, the refresh posted before it would have.
    bool drained = false;
    MainThread::post([&] { drained = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return drained; }));
    EXPECT_EQ(source.reads, reads);
}

} // namespace
} // namespace vesperline
