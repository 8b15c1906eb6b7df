#pragma once

#include "Rules/RetentionPolicy.h"
#include "Runtime/QueueTimer.h"
#include "Runtime/SerialQueue.h"
#include "Runtime/SystemClock.h"
#include "Storage/FrameRecord.h"
#include "Storage/SegmentRecord.h"
#include "Store/SegmentMutationLock.h"
#include "Store/SegmentRewriteResult.h"

#include <QFuture>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QObject;

namespace vesperline {

class StoreHub;

// Keeps the memory within the user's retention settings. A pass, every three hours and on demand,
// removes the pictures of deleted moments from their video files, expires old moments and old
// segments, thins old pictures to a few representative frames, enforces the disk cap, sweeps files
// no row knows and compacts the database. Every change to a closed segment file or its row happens
// on the retention queue while holding the segment mutation lock, so passes and drains never overlap.
//
// Set the closures before `start`; they are called on the retention queue and must be safe there.
// Create and destroy the manager on the main thread.
class RetentionManager final {
  public:
    // Copies the frames `keep` of the segment file `source` to `destination`, encoded at `quality`;
    // throws a std::exception describing what failed.
    using Rewriter = std::function<SegmentRewriteResult(
        const std::filesystem::path& source, const std::set<std::int64_t>& keep,
        const std::filesystem::path& destination, float quality)>;
    // Drops every decoder and cached picture of the segment file at this relative path.
    using ForgetImages = std::function<void(const std::string& path)>;

    RetentionManager(StoreHub& hub, Rewriter rewriter, ForgetImages forgetImages,
                     const ostrel::Clock& clock = systemClock());
    ~RetentionManager();
    RetentionManager(const RetentionManager&) = delete;
    RetentionManager& operator=(const RetentionManager&) = delete;

    static ostrel::RetentionPolicy defaultPolicy();

    std::function<ostrel::RetentionPolicy()> policyProvider = defaultPolicy;
    std::function<bool()> heavyWorkAllowed = [] { return true; };
    // Relative paths of the segment files the recorder is still writing.
    std::function<std::set<std::string>()> openSegmentPaths = [] { return std::set<std::string>(); };
    // Runs on the main thread after every pass, also one that ended early.
    std::function<void()> onFinished;

    // Schedules a pass every three hours (with half an hour of leeway; a scheduled pass stops early
    // when heavy work stops being allowed) and drains the pending rewrites once. Call once.
    void start();
    // Runs one pass under the lock; `shouldStop` is asked between text batches and thinned segments.
    QFuture<void> runPass(const ostrel::RetentionPolicy& policy, bool heavyWork,
                          std::function<bool()> shouldStop);
    // Rewrites or deletes the segments queued after moments were deleted, under the lock.
    QFuture<void> drainPendingRewrites();

    static constexpr double passInterval = 3 * 3600;
    static constexpr double passLeeway = 30 * 60;
    static constexpr std::int64_t textBatchSize = 1000;
    static constexpr std::int64_t expiryLimit = 500;
    static constexpr std::int64_t thinningLimit = 40;
    static constexpr std::int64_t diskCapBatchSize = 20;
    static constexpr std::int64_t diskCapBatchLimit = 50;
    static constexpr double orphanMinimumAge = 3600;
    static constexpr float rewriteQuality = 0.48f;

  private:
    using OpenPaths = std::set<std::string>;

    enum class RewriteOutcome {
        rewritten,
        // The old file was read and holds no segment (or its row names no file of ours): nothing of
        // it can be kept.
        sourceInvalid,
        // Anything else, such as a file that could not be reached now or a busy database: the old
        // file and rows stay as they were, and a later attempt may succeed.
        failed,
    };

    // Runs `work` holding the segment mutation lock; called on the retention queue.
    void holdingLock(const std::function<void()>& work);
    // Logs "<what> failed: <the exception being handled>"; call it in a catch block.
    static void logFailure(const std::string& what);
    void run(const ostrel::RetentionPolicy& policy, bool heavyWork, const std::function<bool()>& shouldStop);
    void expireText(std::int64_t textDays, double now, const OpenPaths& openPaths,
                    const std::function<bool()>& shouldStop, bool& stopped, bool& expired);
    void expireSegments(std::int64_t keyframeDays, double now, const OpenPaths& openPaths);
    void thinSegments(std::int64_t fullImageDays, double now, const OpenPaths& openPaths,
                      const std::function<bool()>& shouldStop, bool& stopped);
    void maintainDatabase(bool textExpired);

    // Pending rewrites and thinning (RetentionManagerRewrites.cpp).
    void processPendingRewrites(const OpenPaths& openPaths);
    void thinSegment(const ostrel::SegmentRecord& segment);
    RewriteOutcome rewriteSegment(const ostrel::SegmentRecord& segment,
                                  const std::vector<ostrel::FrameRecord>& kept,
                                  const std::vector<ostrel::FrameRecord>& all, std::int64_t tier);
    std::optional<std::vector<ostrel::FrameRecord>> framesInSegment(std::int64_t segmentID);

    // Clean-up (RetentionManagerCleanup.cpp).
    void deleteSegment(const ostrel::SegmentRecord& segment);
    void enforceDiskCap(std::int64_t capBytes, const OpenPaths& openPaths);
    void sweepOrphans(const OpenPaths& openPaths);

    // The file of a segment row; absent when the row's path would lead out of the frames folder.
    std::optional<std::filesystem::path> segmentFile(const std::string& relativePath) const;
    // Whether the segment may be changed now: closed, and not among the files still being written.
    static bool isMutable(const ostrel::SegmentRecord& segment, const OpenPaths& openPaths);

    StoreHub& hub_;
    const ostrel::Clock& clock_;
    Rewriter rewriter_;
    ForgetImages forgetImages_;
    SegmentMutationLock mutation_;
    std::atomic<bool> stopping_ = false;
    std::unique_ptr<QObject> mainContext_; // drops `onFinished` posts once the manager is gone
    SerialQueue queue_;                    // declared before the timer, which posts to it
    std::unique_ptr<QueueTimer> scheduler_;
};

} // namespace vesperline
