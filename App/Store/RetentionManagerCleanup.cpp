#include "Store/RetentionManager.h"

#include "Storage/OstrelPaths.h"
#include "Store/StoreHub.h"

#include <chrono>
#include <system_error>

namespace vesperline {

namespace fs = std::filesystem;

namespace {

// Whether `path` lies below `folder`, compared as paths after removing "." and ".." parts.
bool isInside(const fs::path& path, const fs::path& folder) {
    const fs::path relative = path.lexically_normal().lexically_relative(folder.lexically_normal());
    return !relative.empty() && *relative.begin() != ".." && *relative.begin() != ".";
}

} // namespace

std::optional<fs::path> RetentionManager::segmentFile(const std::string& relativePath) const {
    const fs::path frames = hub_.framesDirectory();
    const fs::path file = frames / relativePath;
    if (fs::path(relativePath).is_absolute() || !isInside(file, frames)) {
        return std::nullopt;
    }
    return file;
}

void RetentionManager::deleteSegment(const ostrel::SegmentRecord& segment) {
    try {
        hub_.sync([&](ostrel::MemoryStore& store) {
            store.detachFrames(segment.id, 0);
            store.deleteSegment(segment.id);
        });
    } catch (...) {
        // The file goes all the same; a row without its file is swept by a later pass.
        logFailure("Deleting the row of segment " + std::to_string(segment.id));
    }
    if (const std::optional<fs::path> file = segmentFile(segment.path)) {
        std::error_code ignored;
        fs::remove(*file, ignored);
    }
    forgetImages_(segment.path);
}

void RetentionManager::enforceDiskCap(std::int64_t capBytes, const OpenPaths& openPaths) {
    if (capBytes <= 0) {
        return; // no cap set: deleting everything would be the only way to meet it
    }
    const auto target = static_cast<std::int64_t>(static_cast<double>(capBytes) * 0.9);
    for (std::int64_t batch = 0; batch < diskCapBatchLimit; ++batch) {
        std::int64_t total = 0;
        try {
            total = hub_.readSync(
                [](ostrel::MemoryStore& store) { return store.storageBreakdown().totalBytes(); });
        } catch (...) {
            logFailure("Reading the storage size");
            return;
        }
        if (total <= capBytes) {
            return;
        }
        std::int64_t excess = total - target;
        std::vector<ostrel::SegmentRecord> oldest;
        try {
            oldest = hub_.readSync(
                [](ostrel::MemoryStore& store) { return store.oldestSegments(diskCapBatchSize); });
        } catch (...) {
            logFailure("Reading the oldest segments");
        }
        std::erase_if(oldest,
                      [&](const ostrel::SegmentRecord& segment) { return !isMutable(segment, openPaths); });
        if (oldest.empty()) {
            return;
        }
        for (const ostrel::SegmentRecord& segment : oldest) {
            if (excess <= 0) {
                break;
            }
            excess -= segment.bytes;
            deleteSegment(segment);
        }
    }
}

void RetentionManager::sweepOrphans(const OpenPaths& openPaths) {
    std::set<std::string> known;
    try {
        known = hub_.readSync([](ostrel::MemoryStore& store) { return store.allSegmentPaths(); });
    } catch (...) {
        // Without the recorded paths every file would look like an orphan.
        logFailure("Reading the segment paths");
        return;
    }
    const fs::path frames = hub_.framesDirectory();
    const fs::path segments = hub_.segmentsDirectory();

    std::error_code walkError;
    const auto fileNow = fs::file_time_type::clock::now();
    for (auto item = fs::recursive_directory_iterator(segments, walkError);
         !walkError && item != fs::recursive_directory_iterator(); item.increment(walkError)) {
        std::error_code ignored;
        if (item->is_symlink(ignored) || !item->is_regular_file(ignored) ||
            item->path().extension() != ".mp4") {
            continue;
        }
        const std::string relative = item->path().lexically_relative(frames).generic_string();
        if (known.contains(relative) || openPaths.contains(relative)) {
            continue;
        }
        std::error_code dateError;
        const fs::file_time_type modified = item->last_write_time(dateError);
        const auto age = dateError ? fs::file_time_type::duration::zero() : fileNow - modified;
        // A younger file may belong to a segment whose row is not written yet.
        if (std::chrono::duration<double>(age).count() > orphanMinimumAge) {
            fs::remove(item->path(), ignored);
        }
    }

    std::set<std::string> missing;
    for (const std::string& path : known) {
        std::error_code ignored;
        const std::optional<fs::path> file = segmentFile(path);
        if (file && !fs::exists(*file, ignored) && !ignored && !openPaths.contains(path)) {
            missing.insert(path);
        }
    }
    if (!missing.empty()) {
        std::vector<ostrel::SegmentRecord> closed;
        try {
            closed = hub_.readSync([](ostrel::MemoryStore& store) { return store.oldestSegments(1000000); });
        } catch (...) {
            logFailure("Reading the closed segments");
        }
        for (const ostrel::SegmentRecord& segment : closed) {
            if (missing.contains(segment.path)) {
                deleteSegment(segment);
            }
        }
    }

    std::error_code listError;
    for (const fs::directory_entry& day : fs::directory_iterator(segments, listError)) {
        std::error_code ignored;
        if (day.is_symlink(ignored) || !day.is_directory(ignored)) {
            continue;
        }
        if (fs::is_empty(day.path(), ignored) && !ignored) {
            fs::remove(day.path(), ignored);
        }
    }
}

} // namespace vesperline
