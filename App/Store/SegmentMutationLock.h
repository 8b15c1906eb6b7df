#pragma once

#include <QFuture>
#include <QPromise>

#include <deque>
#include <memory>
#include <mutex>

namespace vesperline {

// Serialises every change to closed segment files and their rows: retention passes and drains of
// the pending-rewrite queue. First come, first served; a holder that asks again waits for ever.
// `acquire` does not block: its future finishes once the caller holds the lock, so a caller may
// continue with `whenFinished` (Runtime/WhenFinished.h) or, on a worker thread, wait for it.
class SegmentMutationLock final {
  public:
    SegmentMutationLock() = default;
    SegmentMutationLock(const SegmentMutationLock&) = delete;
    SegmentMutationLock& operator=(const SegmentMutationLock&) = delete;

    QFuture<void> acquire();
    // Gives the lock up, straight to the oldest waiter when there is one, so nobody overtakes it.
    void release();

    bool isBusy() const;

  private:
    mutable std::mutex mutex_;
    bool busy_ = false;
    std::deque<std::shared_ptr<QPromise<void>>> waiters_;
};

} // namespace vesperline
