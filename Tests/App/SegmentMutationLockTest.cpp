#include "Store/SegmentMutationLock.h"

#include <gtest/gtest.h>

#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <mutex>
#include <vector>

using namespace vesperline;

namespace {

TEST(SegmentMutationLockTest, ASingleHolderNeverWaits) {
    SegmentMutationLock lock;
    EXPECT_TRUE(lock.acquire().isFinished());
    EXPECT_TRUE(lock.isBusy());
    lock.release();
    EXPECT_FALSE(lock.isBusy());
}

TEST(SegmentMutationLockTest, HandsOverFirstComeFirstServed) {
    SegmentMutationLock lock;
    QFuture<void> a = lock.acquire();
    QFuture<void> b = lock.acquire();
    QFuture<void> c = lock.acquire();
    EXPECT_TRUE(a.isFinished());
    EXPECT_FALSE(b.isFinished());

    lock.release(); // A hands over to B
    EXPECT_TRUE(b.isFinished());
    EXPECT_TRUE(lock.isBusy());
    QFuture<void> d = lock.acquire(); // D asks after A's release: it queues behind C
    EXPECT_FALSE(c.isFinished());
    EXPECT_FALSE(d.isFinished());

    lock.release(); // B to C
    EXPECT_TRUE(c.isFinished());
    EXPECT_FALSE(d.isFinished());
    lock.release(); // C to D
    EXPECT_TRUE(d.isFinished());
    lock.release();
    EXPECT_FALSE(lock.isBusy());
}

TEST(SegmentMutationLockTest, GuardsWorkAcrossThreads) {
    SegmentMutationLock lock;
    std::atomic<int> inside{0};
    std::atomic<int> mostInside{0};
    std::vector<QFuture<void>> workers;
    for (int i = 0; i < 8; ++i) {
        workers.push_back(QtConcurrent::run([&] {
            for (int round = 0; round < 50; ++round) {
                lock.acquire().waitForFinished();
                mostInside = std::max(mostInside.load(), ++inside);
                --inside;
                lock.release();
            }
        }));
    }
    for (auto& worker : workers) {
        worker.waitForFinished();
    }
    EXPECT_EQ(mostInside, 1);
    EXPECT_FALSE(lock.isBusy());
}

} // namespace
