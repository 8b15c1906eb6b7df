#include "Store/SegmentMutationLock.h"

namespace vesperline {

QFuture<void> SegmentMutationLock::acquire() {
    auto promise = std::make_shared<QPromise<void>>();
    QFuture<void> granted = promise->future();
    promise->start();
    std::lock_guard lock(mutex_);
    if (!busy_) {
        busy_ = true;
        promise->finish();
    } else {
        waiters_.push_back(std::move(promise));
    }
    return granted;
}

void SegmentMutationLock::release() {
    std::shared_ptr<QPromise<void>> next;
    {
        std::lock_guard lock(mutex_);
        if (waiters_.empty()) {
            busy_ = false;
            return;
        }
        next = std::move(waiters_.front());
        waiters_.pop_front();
    }
    // The lock stays busy: it now belongs to that waiter.
    next->finish();
}

bool SegmentMutationLock::isBusy() const {
    std::lock_guard lock(mutex_);
    return busy_;
}

} // namespace vesperline
