#include "Store/RetentionManager.h"

#include "Runtime/FailureDescription.h"
#include "Runtime/Log.h"
#include "Runtime/MainThread.h"
#include "Store/StoreHub.h"

#include <QObject>

#include <utility>

namespace vesperline {

namespace {

constexpr double secondsPerDay = 86400;

} // namespace

RetentionManager::RetentionManager(StoreHub& hub, Rewriter rewriter, ForgetImages forgetImages,
                                   const ostrel::Clock& clock)
    : hub_(hub), clock_(clock), rewriter_(std::move(rewriter)), forgetImages_(std::move(forgetImages)),
      mainContext_(std::make_unique<QObject>()), queue_(".retention", QThread::LowPriority) {}

RetentionManager::~RetentionManager() {
    // Passes still queued stop at their next chance instead of holding up the quit.
    stopping_ = true;
    if (scheduler_) {
        scheduler_->cancel();
    }
}

ostrel::RetentionPolicy RetentionManager::defaultPolicy() {
    return {.fullImageDays = 7, .keyframeDays = 60, .textDays = 0, .diskCapBytes = 10737418240};
}

void RetentionManager::start() {
    scheduler_ = std::make_unique<QueueTimer>(queue_, [this] {
        // The timer runs on the queue, so the pass starts at once; a later request waits its turn.
        const ostrel::RetentionPolicy policy = policyProvider();
        const bool heavyWork = heavyWorkAllowed();
        runPass(policy, heavyWork, [this] { return !heavyWorkAllowed(); });
    });
    scheduler_->schedule(passInterval, passInterval, passLeeway);
    drainPendingRewrites();
}

QFuture<void> RetentionManager::runPass(const ostrel::RetentionPolicy& policy, bool heavyWork,
                                        std::function<bool()> shouldStop) {
    return queue_.submit([this, policy, heavyWork, shouldStop = std::move(shouldStop)] {
        try {
            holdingLock([&] { run(policy, heavyWork, [&] { return stopping_ || shouldStop(); }); });
        } catch (...) {
            // Retention reports nothing to its caller; the next pass tries again.
            logFailure("Retention pass");
        }
        // Also after a pass that stopped early.
        MainThread::post(mainContext_.get(), [this] {
            if (onFinished) {
                onFinished();
            }
        });
    });
}

QFuture<void> RetentionManager::drainPendingRewrites() {
    return queue_.submit([this] {
        try {
            holdingLock([this] { processPendingRewrites(openSegmentPaths()); });
        } catch (...) {
            logFailure("Pending rewrite drain");
        }
    });
}

void RetentionManager::holdingLock(const std::function<void()>& work) {
    // The lock is taken before any store queue, never the other way round.
    mutation_.acquire().waitForFinished();
    struct Release {
        SegmentMutationLock& lock;
        ~Release() { lock.release(); }
    } release{mutation_};
    work();
}

void RetentionManager::logFailure(const std::string& what) {
    qCCritical(Log::storage(), "%s failed: %s", what.c_str(),
               describeFailure(std::current_exception()).c_str());
}

void RetentionManager::run(const ostrel::RetentionPolicy& policy, bool heavyWork,
                           const std::function<bool()>& shouldStop) {
    const double now = clock_.now();
    const OpenPaths openPaths = openSegmentPaths();
    processPendingRewrites(openPaths);

    bool stopped = false;
    bool textExpired = false;
    expireText(policy.textDays, now, openPaths, shouldStop, stopped, textExpired);
    if (stopped) {
        return;
    }
    expireSegments(policy.keyframeDays, now, openPaths);
    if (heavyWork) {
        thinSegments(policy.fullImageDays, now, openPaths, shouldStop, stopped);
        if (stopped) {
            return;
        }
    }
    enforceDiskCap(policy.diskCapBytes, openPaths);
    sweepOrphans(openPaths);
    if (heavyWork) {
        maintainDatabase(textExpired);
    }
}

void RetentionManager::expireText(std::int64_t textDays, double now, const OpenPaths& openPaths,
                                  const std::function<bool()>& shouldStop, bool& stopped, bool& expired) {
    if (textDays <= 0) {
        return;
    }
    const double cutoff = now - static_cast<double>(textDays) * secondsPerDay;
    while (true) {
        std::int64_t deleted = 0;
        try {
            deleted = hub_.sync([&](ostrel::MemoryStore& store) {
                return store.deleteOldestFrames(cutoff, textBatchSize).frameCount;
            });
        } catch (...) {
            logFailure("Text expiry");
            return;
        }
        if (deleted == 0) {
            return;
        }
        expired = true;
        processPendingRewrites(openPaths);
        if (shouldStop()) {
            stopped = true;
            return;
        }
    }
}

void RetentionManager::expireSegments(std::int64_t keyframeDays, double now, const OpenPaths& openPaths) {
    if (keyframeDays <= 0) {
        return;
    }
    const double cutoff = now - static_cast<double>(keyframeDays) * secondsPerDay;
    std::vector<ostrel::SegmentRecord> segments;
    try {
        segments = hub_.readSync(
            [&](ostrel::MemoryStore& store) { return store.segmentsToThin(cutoff, 9, expiryLimit); });
    } catch (...) {
        logFailure("Reading expired segments");
    }
    for (const ostrel::SegmentRecord& segment : segments) {
        if (isMutable(segment, openPaths)) {
            deleteSegment(segment);
        }
    }
}

void RetentionManager::thinSegments(std::int64_t fullImageDays, double now, const OpenPaths& openPaths,
                                    const std::function<bool()>& shouldStop, bool& stopped) {
    if (fullImageDays < 1) {
        return;
    }
    const double cutoff = now - static_cast<double>(fullImageDays) * secondsPerDay;
    std::vector<ostrel::SegmentRecord> segments;
    try {
        segments = hub_.readSync(
            [&](ostrel::MemoryStore& store) { return store.segmentsToThin(cutoff, 0, thinningLimit); });
    } catch (...) {
        logFailure("Reading segments to thin");
    }
    for (const ostrel::SegmentRecord& segment : segments) {
        if (!isMutable(segment, openPaths)) {
            continue;
        }
        if (shouldStop()) {
            stopped = true;
            return;
        }
        thinSegment(segment);
    }
}

void RetentionManager::maintainDatabase(bool textExpired) {
    try {
        hub_.sync([](ostrel::MemoryStore& store) { store.compact(); });
    } catch (...) {
        logFailure("Compaction");
    }
    if (!textExpired) {
        return;
    }
    for (const char* sql :
         {"INSERT INTO frame_fts(frame_fts) VALUES('optimize');", "PRAGMA wal_checkpoint(TRUNCATE);"}) {
        try {
            hub_.sync([sql](ostrel::MemoryStore& store) { store.db().execute(sql); });
        } catch (...) {
            logFailure(std::string("Database maintenance \"") + sql + "\"");
        }
    }
}

bool RetentionManager::isMutable(const ostrel::SegmentRecord& segment, const OpenPaths& openPaths) {
    return segment.closed && !openPaths.contains(segment.path);
}

} // namespace vesperline
