#include "Runtime/AppIdentity.h"
#include "Runtime/MainThread.h"
#include "Runtime/SerialQueue.h"
#include "Runtime/WhenFinished.h"
#include "Support/LogCapture.h"

#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using vesperline::SerialQueue;

TEST(SerialQueue, LabelIsTheAppIdWithTheSuffixAndTheThreadIsNamed) {
    SerialQueue queue(".store.write");
    EXPECT_EQ(queue.label(), QStringLiteral("org.vesperline.Vesperline.store.write"));
    EXPECT_EQ(queue.label(), QLatin1String(vesperline::appID) + QStringLiteral(".store.write"));
    const QString threadName = queue.sync([] { return QThread::currentThread()->objectName(); });
    EXPECT_EQ(threadName, QStringLiteral("store.write"));
}

TEST(SerialQueue, RunsBlocksOneAtATimeInPostingOrderOffTheCallingThread) {
    SerialQueue queue(".test");
    std::vector<int> order;
    std::atomic<int> running{0};
    std::atomic<bool> overlapped{false};
    for (int i = 0; i < 200; ++i) {
        queue.async([&, i] {
            if (++running > 1) {
                overlapped = true;
            }
            order.push_back(i);
            --running;
        });
    }
    // A synchronous call waits for everything posted before it.
    const std::size_t seen = queue.sync([&] { return order.size(); });
    EXPECT_EQ(seen, 200u);
    EXPECT_FALSE(overlapped);
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(order[i], i);
    }
    EXPECT_FALSE(queue.isCurrent());
    EXPECT_TRUE(queue.sync([&] { return queue.isCurrent(); }));
}

TEST(SerialQueue, SyncRethrowsTheBlocksExceptionAndKeepsWorking) {
    SerialQueue queue(".test");
    EXPECT_THROW(queue.sync([]() -> int { throw std::runtime_error("boom"); }), std::runtime_error);
    EXPECT_THROW(queue.sync([] { throw std::logic_error("void"); }), std::logic_error);
    EXPECT_EQ(queue.sync([] { return 7; }), 7);
}

TEST(SerialQueue, SyncFromInsideTheQueueRunsInPlaceInsteadOfDeadlocking) {
    SerialQueue queue(".test");
    const int value = queue.sync([&] { return queue.sync([] { return 5; }) + 1; });
    EXPECT_EQ(value, 6);
}

TEST(SerialQueue, AThrowingAsyncBlockIsLoggedWithTheLabelAndTheQueueGoesOn) {
    testsupport::LogCapture log;
    SerialQueue queue(".test");
    queue.async([] { throw std::runtime_error("disk on fire"); });
    queue.async([] { throw 42; });
    std::atomic<bool> later{false};
    queue.async([&] { later = true; });
    EXPECT_TRUE(queue.sync([&] { return later.load(); }));
    EXPECT_EQ(log.count("app: Block on org.vesperline.Vesperline.test failed: disk on fire"), 1);
    EXPECT_EQ(log.count("app: Block on org.vesperline.Vesperline.test failed: unknown error"), 1);
}

TEST(SerialQueue, SubmitDeliversResultOrExceptionThroughTheFuture) {
    SerialQueue queue(".test");
    QFuture<std::string> ok = queue.submit([] { return std::string("done"); });
    QFuture<int> failed = queue.submit([]() -> int { throw std::runtime_error("bad"); });
    QFuture<void> plain = queue.submit([] {});
    EXPECT_EQ(ok.result(), "done");
    EXPECT_THROW(failed.waitForFinished(), std::runtime_error);
    plain.waitForFinished();
    EXPECT_TRUE(plain.isFinished());
}

TEST(WhenFinished, DeliversTheFutureOnTheReceiversThreadAndNothingOnceTheReceiverIsGone) {
    SerialQueue queue(".test");
    QObject receiver;
    bool onMain = false;
    int value = 0;
    vesperline::whenFinished(queue.submit([] { return 3; }), &receiver, [&](const QFuture<int>& done) {
        onMain = vesperline::MainThread::isCurrent();
        value = done.result();
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return value == 3; }, 5000));
    EXPECT_TRUE(onMain);

    // From another thread, and with a future that finishes only after the receiver is gone.
    std::latch release(1);
    QFuture<int> late = queue.submit([&] {
        release.wait();
        return 4;
    });
    bool called = false;
    auto doomed = std::make_unique<QObject>();
    std::thread([&] {
        vesperline::whenFinished(late, doomed.get(), [&](const QFuture<int>&) { called = true; });
    }).join();
    QCoreApplication::processEvents(); // the delivery is attached to the receiver on its thread
    doomed.reset();
    release.count_down();
    late.waitForFinished();
    QTest::qWait(30);
    EXPECT_FALSE(called);
}

TEST(SerialQueue, DestructionRunsTheBlocksAlreadyPosted) {
    std::atomic<int> ran{0};
    {
        SerialQueue queue(".test");
        std::latch started(1);
        queue.async([&] {
            started.count_down();
            QThread::msleep(20);
            ++ran;
        });
        for (int i = 0; i < 50; ++i) {
            queue.async([&] { ++ran; });
        }
        started.wait();
    }
    EXPECT_EQ(ran.load(), 51);
}

TEST(MainThread, PostRunsLaterOnTheMainThreadAndIsDroppedWithItsContext) {
    SerialQueue queue(".test");
    std::atomic<int> plain{0};
    std::atomic<int> guarded{0};
    auto context = std::make_unique<QObject>();
    auto doomed = std::make_unique<QObject>();
    queue.sync([&] {
        vesperline::MainThread::post([&] { plain += vesperline::MainThread::isCurrent() ? 1 : 100; });
        vesperline::MainThread::post(context.get(), [&] { ++guarded; });
        vesperline::MainThread::post(doomed.get(), [&] { guarded += 100; });
    });
    bool ranInline = false;
    vesperline::MainThread::post([&] { ranInline = true; });
    EXPECT_FALSE(ranInline); // asynchronous even when posted from the main thread
    doomed.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return plain == 1 && guarded == 1 && ranInline; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(guarded.load(), 1);
}
