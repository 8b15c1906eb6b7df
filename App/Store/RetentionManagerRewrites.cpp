#include "Store/RetentionManager.h"

#include "Platform/MediaError.h"
#include "Rules/RetentionPlanner.h"
#include "Runtime/FailureDescription.h"
#include "Runtime/Log.h"
#include "Storage/OstrelPaths.h"
#include "Store/StoreHub.h"

#include <QUuid>

#include <algorithm>
#include <exception>

namespace vesperline {

namespace {

constexpr double thinningSpacing = 600;
constexpr std::int64_t thinningMinTextChars = 400;

// The rewritten file's relative path: beside the old one, its name followed by "-" and eight
// lowercase hexadecimal digits of a fresh UUID.
std::string rewrittenPath(const std::string& oldPath) {
    const std::filesystem::path old(oldPath);
    const std::string suffix =
        QUuid::createUuid().toString(QUuid::WithoutBraces).left(8).toLower().toStdString();
    return (old.parent_path() / (old.stem().string() + "-" + suffix + ".mp4")).generic_string();
}

void removeIgnoringErrors(const std::filesystem::path& file) {
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
}

} // namespace

std::optional<std::vector<ostrel::FrameRecord>> RetentionManager::framesInSegment(std::int64_t segmentID) {
    try {
        return hub_.readSync(
            [segmentID](ostrel::MemoryStore& store) { return store.framesInSegment(segmentID); });
    } catch (...) {
        logFailure("Reading the frames of segment " + std::to_string(segmentID));
        return std::nullopt;
    }
}

void RetentionManager::processPendingRewrites(const OpenPaths& openPaths) {
    std::vector<std::int64_t> queued;
    try {
        queued = hub_.readSync([](ostrel::MemoryStore& store) { return store.pendingRewrites(); });
    } catch (...) {
        logFailure("Reading pending rewrites");
    }
    for (const std::int64_t id : queued) {
        std::optional<ostrel::SegmentRecord> segment;
        try {
            segment = hub_.readSync([id](ostrel::MemoryStore& store) { return store.segment(id); });
        } catch (...) {
            // An unread row is not a missing one: the entry stays for the next drain, or the picture
            // of a deleted moment would stay in the file for good.
            logFailure("Reading segment " + std::to_string(id));
            continue;
        }
        const auto clear = [this, id] {
            try {
                hub_.sync([id](ostrel::MemoryStore& store) { store.clearPendingRewrite(id); });
            } catch (...) {
                logFailure("Clearing the pending rewrite of segment " + std::to_string(id));
            }
        };
        if (!segment) {
            clear();
            continue;
        }
        // A file still being written, or whose finish has not reached its row, waits for a later drain.
        if (!isMutable(*segment, openPaths)) {
            continue;
        }
        // Without the list there is nothing safe to do: an unread list is not an empty one, so the
        // entry stays queued for the next drain.
        const std::optional<std::vector<ostrel::FrameRecord>> frames = framesInSegment(id);
        if (!frames) {
            continue;
        }
        if (frames->empty()) {
            deleteSegment(*segment);
            clear();
            continue;
        }
        switch (rewriteSegment(*segment, *frames, *frames, segment->tier)) {
        case RewriteOutcome::rewritten:
            clear();
            break;
        case RewriteOutcome::sourceInvalid:
            deleteSegment(*segment);
            clear();
            break;
        case RewriteOutcome::failed:
            // Only a file known to hold nothing is given up; this one waits for a later drain.
            break;
        }
    }
}

void RetentionManager::thinSegment(const ostrel::SegmentRecord& segment) {
    const std::optional<std::vector<ostrel::FrameRecord>> frames = framesInSegment(segment.id);
    if (!frames) {
        return; // stays at tier 0, so a later pass tries again
    }
    if (frames->empty()) {
        deleteSegment(segment);
        return;
    }
    std::vector<ostrel::ThinningCandidate> candidates;
    candidates.reserve(frames->size());
    for (const ostrel::FrameRecord& frame : *frames) {
        candidates.push_back({frame.id, frame.timestamp, frame.contextKey(), frame.textChars});
    }
    const std::set<std::int64_t> keep =
        ostrel::RetentionPlanner::thin(candidates, thinningMinTextChars, thinningSpacing);
    if (keep.size() == frames->size()) {
        try {
            hub_.sync([&](ostrel::MemoryStore& store) { store.setSegmentTier(segment.id, 1); });
        } catch (...) {
            logFailure("Marking segment " + std::to_string(segment.id) + " thinned");
        }
        return;
    }
    if (keep.empty()) {
        deleteSegment(segment);
        return;
    }
    std::vector<ostrel::FrameRecord> kept;
    std::copy_if(frames->begin(), frames->end(), std::back_inserter(kept),
                 [&](const ostrel::FrameRecord& frame) { return keep.contains(frame.id); });
    // A failed thinning leaves the segment at tier 0, so a later pass tries it again.
    rewriteSegment(segment, kept, *frames, 1);
}

RetentionManager::RewriteOutcome
RetentionManager::rewriteSegment(const ostrel::SegmentRecord& segment,
                                 const std::vector<ostrel::FrameRecord>& kept,
                                 const std::vector<ostrel::FrameRecord>& all, std::int64_t tier) {
    const std::optional<std::filesystem::path> oldFile = segmentFile(segment.path);
    if (!oldFile) {
        qCCritical(Log::storage(), "Segment rewrite failed: %s",
                   ("path outside the frames folder: " + segment.path).c_str());
        return RewriteOutcome::sourceInvalid;
    }
    const std::string newPath = rewrittenPath(segment.path);
    const std::filesystem::path newFile = hub_.frameFile(newPath);
    const auto fail = [&](const std::exception_ptr& error) {
        qCCritical(Log::storage(), "Segment rewrite failed: %s", describeFailure(error).c_str());
        removeIgnoringErrors(newFile);
        try {
            std::rethrow_exception(error);
        } catch (const platform::MediaError& mediaError) {
            if (mediaError.kind() == platform::MediaError::Kind::invalidData) {
                return RewriteOutcome::sourceInvalid;
            }
        } catch (...) {
        }
        return RewriteOutcome::failed;
    };

    std::set<std::int64_t> keepIndexes;
    for (const ostrel::FrameRecord& frame : kept) {
        if (frame.segmentIndex) {
            keepIndexes.insert(*frame.segmentIndex);
        }
    }
    SegmentRewriteResult result;
    try {
        result = rewriter_(*oldFile, keepIndexes, newFile, rewriteQuality);
    } catch (...) {
        return fail(std::current_exception());
    }

    std::vector<ostrel::MemoryStore::FrameMove> moves;
    std::set<std::int64_t> moved;
    std::optional<ostrel::Time> start;
    std::optional<ostrel::Time> end;
    for (const ostrel::FrameRecord& frame : kept) {
        if (!frame.segmentIndex) {
            continue;
        }
        const auto entry = result.mapping.find(*frame.segmentIndex);
        if (entry == result.mapping.end()) {
            continue;
        }
        moves.push_back({frame.id, entry->second});
        moved.insert(frame.id);
        start = std::min(start.value_or(frame.timestamp), frame.timestamp);
        end = std::max(end.value_or(frame.timestamp), frame.timestamp);
    }
    std::vector<std::int64_t> dropped;
    for (const ostrel::FrameRecord& frame : all) {
        if (!moved.contains(frame.id)) {
            dropped.push_back(frame.id);
        }
    }
    std::optional<ostrel::NewSegment> newSegment;
    if (!moves.empty()) {
        newSegment = ostrel::NewSegment{.path = newPath,
                                        .displayID = segment.displayID,
                                        .start = start.value_or(segment.start),
                                        .end = end.value_or(segment.end),
                                        .frameCount = result.frameCount,
                                        .width = result.width,
                                        .height = result.height,
                                        .bytes = result.bytes};
    }
    try {
        hub_.sync([&](ostrel::MemoryStore& store) {
            store.rewriteSegment(segment.id, newSegment, moves, dropped, tier);
        });
    } catch (...) {
        return fail(std::current_exception());
    }
    if (!newSegment) {
        removeIgnoringErrors(newFile);
    }
    removeIgnoringErrors(*oldFile);
    forgetImages_(segment.path);
    return RewriteOutcome::rewritten;
}

} // namespace vesperline
