#include "Store/FrameImageLoader.h"

#include "Runtime/Log.h"

#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <functional>
#include <utility>

namespace vesperline {

FrameImageLoader::FrameImageLoader(platform::VideoFiles& files, std::filesystem::path framesDirectory)
    : files_(files), framesDirectory_(std::move(framesDirectory)) {
    cache_.setMaxCost(cacheCostLimit);
    pool_.setMaxThreadCount(2);
    pool_.setObjectName("FrameImageLoader");
}

FrameImageLoader::~FrameImageLoader() {
    pool_.waitForDone();
}

std::string FrameImageLoader::rawValue(Size size) {
    switch (size) {
    case Size::thumbnail:
        return "thumbnail";
    case Size::preview:
        return "preview";
    case Size::full:
        return "full";
    }
    return "full";
}

int FrameImageLoader::maximumEdge(Size size) {
    switch (size) {
    case Size::thumbnail:
        return 520;
    case Size::preview:
        return 1800;
    case Size::full:
        return 0;
    }
    return 0;
}

std::optional<QImage> FrameImageLoader::Decoder::decode(std::int64_t index) {
    std::lock_guard lock(mutex);
    if (!reader) {
        return std::nullopt;
    }
    const int edge = maximumEdge(size);
    std::optional<ostrel::BGRAImage> frame = reader->decodeFrame(index, edge, edge);
    if (!frame) {
        return std::nullopt;
    }
    // The picture keeps the decoded pixels alive; BGRA in memory is Qt's 32-bit RGB on this byte order.
    auto pixels = std::make_shared<ostrel::BGRAImage>(std::move(*frame));
    QImage picture(
        pixels->pixels.data(), pixels->width, pixels->height, static_cast<qsizetype>(pixels->bytesPerRow),
        QImage::Format_RGB32,
        [](void* owner) { delete static_cast<std::shared_ptr<ostrel::BGRAImage>*>(owner); },
        new std::shared_ptr<ostrel::BGRAImage>(pixels));
    return picture;
}

std::string FrameImageLoader::cacheKey(const std::string& segmentPath, std::int64_t frameID,
                                       Size size) const {
    // The path is part of the key, so a rewritten file under a new name never serves an old picture.
    return std::to_string(frameID) + "-" + rawValue(size) + "-" +
           std::to_string(std::hash<std::string>()(segmentPath));
}

bool FrameImageLoader::droppedSince(const std::string& segmentPath, std::uint64_t moment) const {
    const auto found = forgottenAt_.find(segmentPath);
    return removedAllAt_ > moment || (found != forgottenAt_.end() && found->second > moment);
}

void FrameImageLoader::touch(const std::string& generatorKey) {
    std::erase(order_, generatorKey);
    order_.push_back(generatorKey);
}

std::shared_ptr<FrameImageLoader::Decoder> FrameImageLoader::generator(const std::string& segmentPath,
                                                                       Size size, bool fresh) {
    const std::string key = segmentPath + "|" + rawValue(size);
    {
        std::lock_guard lock(mutex_);
        if (!fresh) {
            if (auto found = generators_.find(key); found != generators_.end()) {
                touch(key);
                return found->second;
            }
        }
    }
    auto decoder = std::make_shared<Decoder>();
    decoder->size = size;
    try {
        decoder->reader = files_.openReader(framesDirectory_ / segmentPath);
    } catch (const std::exception& error) {
        // A missing or unreadable file shows as a failed decode.
        qCWarning(Log::storage(), "Opening segment %s failed: %s", segmentPath.c_str(), error.what());
    }
    std::lock_guard lock(mutex_);
    generators_[key] = decoder;
    touch(key);
    while (order_.size() > maximumOpenDecoders) {
        generators_.erase(order_.front());
        order_.pop_front();
    }
    return decoder;
}

std::optional<QImage> FrameImageLoader::image(const std::string& segmentPath, std::int64_t index,
                                              std::int64_t frameID, Size size) {
    const QString key = QString::fromStdString(cacheKey(segmentPath, frameID, size));
    std::uint64_t started;
    {
        std::lock_guard lock(mutex_);
        if (const QImage* cached = cache_.object(key)) {
            return *cached;
        }
        started = drops_;
    }
    std::optional<QImage> picture = decode(segmentPath, index, size);
    if (!picture) {
        return std::nullopt;
    }
    std::lock_guard lock(mutex_);
    if (!droppedSince(segmentPath, started)) {
        const qsizetype cost = static_cast<qsizetype>(picture->width()) * picture->height() * 4;
        cache_.insert(key, new QImage(*picture), cost);
        keysByPath_[segmentPath].insert(key);
    }
    return picture;
}

std::optional<QImage> FrameImageLoader::decode(const std::string& segmentPath, std::int64_t index,
                                               Size size) {
    // A decoder can go stale (its file was rewritten under the same name): one fresh try.
    if (std::optional<QImage> picture = generator(segmentPath, size, false)->decode(index)) {
        return picture;
    }
    return generator(segmentPath, size, true)->decode(index);
}

QFuture<std::optional<QImage>> FrameImageLoader::imageAsync(const std::string& segmentPath,
                                                            std::int64_t index, std::int64_t frameID,
                                                            Size size) {
    return QtConcurrent::run(&pool_, [this, segmentPath, index, frameID, size] {
        return image(segmentPath, index, frameID, size);
    });
}

void FrameImageLoader::forget(const std::string& segmentPath) {
    const std::string prefix = segmentPath + "|";
    std::lock_guard lock(mutex_);
    std::erase_if(generators_, [&](const auto& entry) { return entry.first.starts_with(prefix); });
    std::erase_if(order_, [&](const std::string& key) { return key.starts_with(prefix); });
    if (auto found = keysByPath_.find(segmentPath); found != keysByPath_.end()) {
        for (const QString& key : found->second) {
            cache_.remove(key);
        }
        keysByPath_.erase(found);
    }
    forgottenAt_[segmentPath] = ++drops_;
}

void FrameImageLoader::removeAll() {
    std::lock_guard lock(mutex_);
    generators_.clear();
    order_.clear();
    keysByPath_.clear();
    cache_.clear();
    forgottenAt_.clear();
    removedAllAt_ = ++drops_;
}

} // namespace vesperline
