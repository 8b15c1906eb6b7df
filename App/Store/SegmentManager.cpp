#include "Store/SegmentManager.h"

#include "Platform/MediaError.h"
#include "Runtime/Log.h"
#include "Storage/MemoryStore.h"
#include "Storage/OstrelPaths.h"
#include "Store/StoreHub.h"

#include <QString>

#include <future>
#include <memory>
#include <system_error>

namespace vesperline {

namespace {

struct Encoding {
    float quality;
    int maxWidth;
};

Encoding encodingFor(ImageQuality quality) {
    switch (quality) {
    case ImageQuality::compact:
        return {0.42f, 1440};
    case ImageQuality::balanced:
        return {0.5f, 1920};
    case ImageQuality::sharp:
        return {0.6f, 2560};
    }
    return {0.5f, 1920};
}

// Creates `folder` and any missing parent, each readable by the owner only.
void createPrivateFolder(const std::filesystem::path& folder) {
    if (folder.empty() || std::filesystem::is_directory(folder)) {
        return;
    }
    createPrivateFolder(folder.parent_path());
    std::filesystem::create_directory(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);
}

void removeFile(const std::filesystem::path& file) {
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
}

} // namespace

SegmentManager::SegmentManager(StoreHub& hub, platform::VideoFiles& files, FreeSpace freeSpace)
    : hub_(hub), files_(files), freeSpace_(std::move(freeSpace)),
      finishing_(".segments", QThread::LowPriority) {}

SegmentManager::~SegmentManager() = default;

std::optional<SegmentManager::Appended> SegmentManager::append(const ostrel::BGRAImageView& image,
                                                               std::uint32_t display, ostrel::Time date,
                                                               ImageQuality quality) {
    const ostrel::Size size{static_cast<double>(image.width), static_cast<double>(image.height)};
    if (auto found = open_.find(display); found != open_.end()) {
        const SegmentWriter& writer = *found->second.writer;
        const bool rollOver = date - writer.startedAt() >= rollOverAge ||
                              writer.frameCount() >= rollOverCount ||
                              writer.status() != platform::VideoFileWriter::Status::writing ||
                              writer.sourceSize() != size || found->second.quality != quality;
        if (rollOver) {
            close(display);
        }
    }
    auto current = open_.find(display);
    if (current == open_.end()) {
        if (isDiskLow(date)) {
            return std::nullopt;
        }
        try {
            current = open_.emplace(display, openSegment(size, display, quality, date)).first;
        } catch (const std::exception& error) {
            qCCritical(Log::capture, "Could not open segment: %s", error.what());
            return std::nullopt;
        }
    }
    const auto index = current->second.writer->append(image, date, encoderWait);
    if (!index) {
        return std::nullopt;
    }
    return Appended{current->second.id, *index};
}

SegmentManager::Open SegmentManager::openSegment(ostrel::Size size, std::uint32_t display,
                                                 ImageQuality quality, ostrel::Time date) {
    const std::string path = storedPath(display, date);
    const std::filesystem::path url = hub_.frameFile(path);
    createPrivateFolder(url.parent_path());
    const Encoding encoding = encodingFor(quality);
    auto writer = SegmentWriter::create(files_, url, encoding.maxWidth, size, encoding.quality, true, date);
    std::int64_t id = 0;
    try {
        const ostrel::Size output = writer->outputSize();
        id = hub_.sync([&](ostrel::MemoryStore& store) {
            return store.openSegment(path, display, date, static_cast<std::int64_t>(output.width),
                                     static_cast<std::int64_t>(output.height));
        });
    } catch (...) {
        // Without its row nothing would ever find or remove the file: discard it (it holds no frame).
        writer->finish();
        throw;
    }
    return Open{id, path, std::move(writer), quality};
}

bool SegmentManager::isDiskLow(ostrel::Time now) {
    if (diskCheckedAt_ && now - *diskCheckedAt_ < diskCheckInterval && now >= *diskCheckedAt_) {
        return diskLow_;
    }
    diskCheckedAt_ = now;
    const std::optional<std::int64_t> available = freeSpace_(hub_.dataDirectory());
    if (!available) {
        return diskLow_;
    }
    const bool low = *available < lowDiskThreshold;
    if (low != diskLow_) {
        qCCritical(Log::capture, "Free disk space %lld bytes: images %s", static_cast<long long>(*available),
                   low ? "paused" : "resumed");
    }
    diskLow_ = low;
    return diskLow_;
}

void SegmentManager::close(std::uint32_t display) {
    auto found = open_.find(display);
    if (found == open_.end()) {
        return;
    }
    Open closing = std::move(found->second);
    open_.erase(found);
    closeInBackground(std::move(closing));
}

void SegmentManager::closeAll() {
    std::vector<std::uint32_t> displays;
    for (const auto& [display, segment] : open_) {
        displays.push_back(display);
    }
    for (std::uint32_t display : displays) {
        close(display);
    }
}

void SegmentManager::closeIdle(ostrel::Time now, double interval) {
    std::vector<std::uint32_t> idle;
    for (const auto& [display, segment] : open_) {
        if (now - segment.writer->lastFrameAt() >= interval) {
            idle.push_back(display);
        }
    }
    for (std::uint32_t display : idle) {
        close(display);
    }
}

void SegmentManager::closeInBackground(Open open) {
    ++closesInFlight_;
    finishing_.async([this, open = std::move(open)] {
        recordClose(hub_, open, open.writer->finish());
        --closesInFlight_;
    });
}

void SegmentManager::closeAllSynchronously(std::chrono::milliseconds wait) {
    // A quit or a deletion must not race a file that a background close is still finishing: wait for
    // the closes posted so far, which run ahead of this marker on the finishing queue.
    if (const int inFlight = closesInFlight_; inFlight > 0) {
        auto passed = std::make_shared<std::promise<void>>();
        std::future<void> earlierCloses = passed->get_future();
        finishing_.async([passed] { passed->set_value(); });
        earlierCloses.wait_for(wait * inFlight);
    }
    std::map<std::uint32_t, Open> closing;
    closing.swap(open_);
    for (const auto& [display, segment] : closing) {
        auto finished = std::make_shared<std::promise<std::int64_t>>();
        std::future<std::int64_t> bytes = finished->get_future();
        finishing_.async([writer = segment.writer, finished] { finished->set_value(writer->finish()); });
        if (bytes.wait_for(wait) == std::future_status::ready) {
            recordClose(hub_, segment, bytes.get());
        } else {
            // The finish goes on alone: record what is on disk now rather than an empty file.
            recordClose(hub_, segment, ostrel::OstrelPaths::allocatedSize(segment.writer->url()));
        }
    }
}

void SegmentManager::recordClose(StoreHub& hub, const Open& open, std::int64_t bytes) {
    const SegmentWriter& writer = *open.writer;
    try {
        hub.sync([&](ostrel::MemoryStore& store) {
            if (writer.frameCount() == 0) {
                store.deleteSegment(open.id);
            } else {
                store.closeSegment(open.id, writer.lastFrameAt(), writer.frameCount(), bytes);
            }
        });
    } catch (const std::exception& error) {
        qCCritical(Log::storage, "Segment close record failed: %s", error.what());
    }
}

void SegmentManager::recoverOpenSegments(StoreHub& hub, platform::VideoFiles& files) {
    std::vector<ostrel::SegmentRecord> rows;
    try {
        rows = hub.readSync([](ostrel::MemoryStore& store) { return store.openSegments(); });
    } catch (const std::exception& error) {
        qCCritical(Log::storage, "Reading open segments failed: %s", error.what());
        return;
    }
    for (const ostrel::SegmentRecord& row : rows) {
        const std::filesystem::path url = hub.frameFile(row.path);
        std::error_code statusError;
        const auto status = std::filesystem::status(url, statusError);
        if (status.type() == std::filesystem::file_type::not_found) {
            try {
                hub.sync([&](ostrel::MemoryStore& store) {
                    store.detachFrames(row.id, 0);
                    store.deleteSegment(row.id);
                });
            } catch (const std::exception& error) {
                qCCritical(Log::storage, "Removing the row of missing segment %s failed: %s",
                           row.path.c_str(), error.what());
            }
            continue;
        }
        // Only a file that was read and found empty or without a decodable frame may be given up; one
        // that could not be reached now stays, with its row open, for the next start.
        std::int64_t kept = 0;
        try {
            if (statusError) {
                throw platform::MediaError(platform::MediaError::Kind::unreadable, statusError.message());
            }
            // A file cut by a crash is damaged by definition: read on one thread, which always ends.
            if (std::filesystem::file_size(url) > 0) {
                kept = files.openReader(url, platform::DecodeMode::careful)->decodableFrameCount();
            }
        } catch (const platform::MediaError& error) {
            if (error.kind() != platform::MediaError::Kind::invalidData) {
                qCCritical(Log::storage, "Could not read segment %s: %s", row.path.c_str(), error.what());
                continue;
            }
        } catch (const std::exception& error) {
            qCCritical(Log::storage, "Could not read segment %s: %s", row.path.c_str(), error.what());
            continue;
        }
        const std::int64_t bytes = ostrel::OstrelPaths::allocatedSize(url);
        try {
            hub.sync([&](ostrel::MemoryStore& store) {
                store.detachFrames(row.id, kept);
                if (kept == 0) {
                    store.deleteSegment(row.id);
                } else {
                    store.closeSegment(row.id, store.lastFrameTime(row.id).value_or(row.start), kept, bytes);
                }
            });
        } catch (const std::exception& error) {
            // The row stays open, and the file with it, for the next start.
            qCCritical(Log::storage, "Closing segment %s failed: %s", row.path.c_str(), error.what());
            continue;
        }
        if (kept == 0) {
            removeFile(url);
        }
    }
}

std::string SegmentManager::storedPath(std::uint32_t display, ostrel::Time start) {
    const auto milliseconds = static_cast<std::int64_t>(start * 1000.0);
    return "segments/" + ostrel::OstrelPaths::dayKey(start) + "/" + std::to_string(display) + "-" +
           std::to_string(milliseconds) + ".mp4";
}

std::optional<std::int64_t> SegmentManager::volumeFreeSpace(const std::filesystem::path& folder) {
    std::error_code error;
    const std::filesystem::space_info space = std::filesystem::space(folder, error);
    if (error || space.available == static_cast<std::uintmax_t>(-1)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(space.available);
}

} // namespace vesperline
