#include "Model/AppModel.h"

#include "Runtime/Log.h"
#include "Runtime/WhenFinished.h"
#include "Storage/MemoryStore.h"
#include "Store/StoreFailureLog.h"

#include <QtConcurrent/QtConcurrentRun>

#include <utility>

namespace vesperline {

namespace {

// A moment saved in the same second as the request still counts as "the last minutes".
constexpr double recentSlack = 5;

// Logs what `future` threw, if anything, as `what` failing.
void logFailure(const QFuture<void>& future, const char* what) {
    try {
        QFuture<void>(future).waitForFinished();
    } catch (...) {
        logStoreFailure(what);
    }
}

} // namespace

void AppModel::deleteRecent(std::int64_t minutes, std::function<void()> done) {
    const ostrel::Time now = services_.clock.now();
    deleteRange(now - static_cast<double>(minutes) * 60, now + recentSlack, std::move(done));
}

void AppModel::deleteRange(ostrel::Time from, ostrel::Time to, std::function<void()> done) {
    enqueueOperation(
        [this, from, to](std::function<void()> finished) {
            changeAndRewrite([from, to](ostrel::MemoryStore& store) { store.deleteRange(from, to); },
                             "Deleting a range of moments", std::move(finished));
        },
        std::move(done));
}

void AppModel::deleteFrame(std::vector<std::int64_t> ids, std::function<void()> done) {
    enqueueOperation(
        [this, ids = std::move(ids)](std::function<void()> finished) {
            changeAndRewrite([ids](ostrel::MemoryStore& store) { store.deleteFrames(ids); },
                             "Deleting moments", std::move(finished));
        },
        std::move(done));
}

void AppModel::eraseAll(std::function<void()> done) {
    enqueueOperation(
        [this](std::function<void()> finished) {
            replaceStore([](StoreHub& hub) { hub.eraseAll(); },
                         [this, finished = std::move(finished)](const std::exception_ptr& failure) {
                             if (failure) {
                                 qCCritical(Log::storage(), "Erase failed: %s",
                                            describeFailure(failure).c_str());
                             }
                             imageLoader_->removeAll();
                             refillNewDatabase();
                             finished();
                         });
        },
        std::move(done));
}

void AppModel::runMaintenance() {
    if (maintenanceRunning_) {
        return;
    }
    assign(maintenanceRunning_, true, &AppModel::maintenanceRunningChanged);
    const ostrel::RetentionPolicy policy = settings_->retentionPolicy();
    const bool heavyWork = !powerSnapshot_.onBattery;
    whenFinished(retention_->runPass(policy, heavyWork, [] { return false; }), this,
                 [this](const QFuture<void>&) {
                     assign(maintenanceRunning_, false, &AppModel::maintenanceRunningChanged);
                     refreshStats();
                 });
}

void AppModel::enqueueOperation(OperationBody body, std::function<void()> done, bool urgent) {
    QueuedOperation operation{std::move(body), std::move(done)};
    if (urgent) {
        operations_.push_front(std::move(operation));
    } else {
        operations_.push_back(std::move(operation));
    }
    if (!operationRunning_) {
        runNextOperation();
    }
}

void AppModel::runNextOperation() {
    if (operations_.empty()) {
        operationRunning_ = false;
        return;
    }
    operationRunning_ = true;
    QueuedOperation operation = std::move(operations_.front());
    operations_.pop_front();
    holdCaptureAndTracking([this, operation = std::move(operation)]() mutable {
        operation.body([this, done = std::move(operation.done)] {
            // The hold ends with the last operation that counts on it.
            if (operations_.empty()) {
                releaseCaptureAndTracking();
            }
            endOperation();
            if (done) {
                done();
            }
            runNextOperation();
        });
    });
}

void AppModel::holdCaptureAndTracking(std::function<void()> then) {
    if (captureHeld_) {
        then();
        return;
    }
    captureHeld_ = true;
    tracker_->suspended = true;
    tracker_->endCurrentSpan(services_.clock.now());
    whenFinished(recorder_->suspendCapture(), this, [then = std::move(then)](const QFuture<void>& held) {
        logFailure(held, "Holding capture");
        then();
    });
}

void AppModel::releaseCaptureAndTracking() {
    if (!captureHeld_) {
        return;
    }
    captureHeld_ = false;
    recorder_->resumeCapture();
    tracker_->suspended = false;
    if (tracker_->isEnabled()) {
        tracker_->beginSpan(services_.frontmost.current(), std::nullopt, std::nullopt);
    }
}

void AppModel::changeAndRewrite(std::function<void(ostrel::MemoryStore&)> change, const char* what,
                                std::function<void()> finished) {
    whenFinished(hub_->writeAsync(std::move(change)), this,
                 [this, what, finished = std::move(finished)](const QFuture<void>& changed) mutable {
                     logFailure(changed, what);
                     // The drain takes the open segment paths and the segment lock itself.
                     whenFinished(retention_->drainPendingRewrites(), this,
                                  [this, finished = std::move(finished)](const QFuture<void>&) mutable {
                                      tidyDatabase(std::move(finished));
                                  });
                 });
}

void AppModel::tidyDatabase(std::function<void()> finished) {
    QFuture<void> tidy = hub_->writeAsync([](ostrel::MemoryStore& store) { store.optimize(); });
    whenFinished(std::move(tidy), this, [finished = std::move(finished)](const QFuture<void>& done) {
        logFailure(done, "Tidying the database");
        finished();
    });
}

void AppModel::replaceStore(std::function<void(StoreHub&)> change,
                            std::function<void(std::exception_ptr)> then) {
    StoreHub* hub = hub_.get();
    storeReplacement_ = QtConcurrent::run([hub, change = std::move(change)]() -> std::exception_ptr {
        try {
            change(*hub);
            return nullptr;
        } catch (...) {
            return std::current_exception();
        }
    });
    whenFinished(storeReplacement_, this,
                 [then = std::move(then)](const QFuture<std::exception_ptr>& done) { then(done.result()); });
}

void AppModel::refillNewDatabase() {
    lastMCPFlag_.reset();
    applySettings();
    if (finds_.total > 0) {
        hub_->write([counter = finds_](ostrel::MemoryStore& store) { counter.save(store); });
    }
}

void AppModel::endOperation() {
    imageLoader_->removeAll();
    assign(lastSaved_, std::optional<ostrel::FrameSummary>(), &AppModel::lastSavedChanged);
    refreshStats();
}

} // namespace vesperline
