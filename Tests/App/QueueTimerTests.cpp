#include "Runtime/QueueTimer.h"
#include "Runtime/SerialQueue.h"
#include "Support/LogCapture.h"

#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>

using vesperline::QueueTimer;
using vesperline::SerialQueue;

TEST(QueueTimer, TimerTypeHonoursTheLeeway) {
    struct Case {
        double interval;
        double leeway;
        Qt::TimerType expected;
    };
    const Case cases[] = {
        {1.0, 0.0, Qt::PreciseTimer},       // no slack at all
        {1.0, 0.05, Qt::CoarseTimer},       // 5% fits
        {1.0, 0.01, Qt::PreciseTimer},      // less than 5% and less than a second
        {10800.0, 1800.0, Qt::CoarseTimer}, // a pass every 3 hours, 30 minutes of tolerance
        {600.0, 2.0, Qt::VeryCoarseTimer},  // under 5%, but a whole second of slack
        {0.0, 0.0, Qt::PreciseTimer},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(QueueTimer::timerType(c.interval, c.leeway), c.expected) << c.interval << " / " << c.leeway;
    }
}

TEST(QueueTimer, RepeatsOnTheQueueUntilCancelled) {
    SerialQueue queue(".test");
    std::atomic<int> fired{0};
    std::atomic<bool> offQueue{false};
    QueueTimer timer(queue, [&] {
        if (!queue.isCurrent()) {
            offQueue = true;
        }
        ++fired;
    });
    timer.schedule(0.0, 0.01, 0.0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fired >= 3; }, 5000));
    timer.cancel();
    const int atCancel = queue.sync([&] { return fired.load(); });
    QTest::qWait(60);
    EXPECT_EQ(queue.sync([&] { return fired.load(); }), atCancel);
    EXPECT_FALSE(offQueue);
}

TEST(QueueTimer, AThrowingHandlerIsLoggedAndTheTimerKeepsFiring) {
    testsupport::LogCapture log;
    SerialQueue queue(".timer");
    std::atomic<int> fired{0};
    QueueTimer timer(queue, [&] {
        ++fired;
        throw std::runtime_error("tick failed");
    });
    timer.schedule(0.0, 0.01, 0.0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fired >= 3; }, 5000));
    timer.cancel();
    queue.sync([] {}); // the last handler has logged
    EXPECT_GE(log.count("app: Block on org.vesperline.Vesperline.timer failed: tick failed"), 3);
}

TEST(QueueTimer, OneShotFiresOnceAndRescheduleReplacesTheEarlierSchedule) {
    SerialQueue queue(".test");
    std::atomic<int> fired{0};
    QueueTimer timer(queue, [&] { ++fired; });
    timer.schedule(10.0, 0.0, 0.0); // replaced before it could fire
    timer.schedule(0.01, 0.0, 0.0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fired == 1; }, 5000));
    QTest::qWait(60);
    EXPECT_EQ(fired.load(), 1);
}

TEST(QueueTimer, DestroyedTimerNeverFiresAgain) {
    SerialQueue queue(".test");
    std::atomic<int> fired{0};
    auto timer = std::make_unique<QueueTimer>(queue, [&] { ++fired; });
    timer->schedule(0.02, 0.02, 0.0);
    timer.reset();
    QTest::qWait(80);
    EXPECT_EQ(queue.sync([&] { return fired.load(); }), 0);
}
