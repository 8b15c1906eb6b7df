#include "Store/FrameImageLoader.h"

#include "Runtime/Log.h"

#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <future>
#include <thread>
#include <utility>

namespace vesperline {

namespace {

// The picture keeps the decoded pixels alive; BGRA in memory is Qt's 32-bit RGB on this byte order.
QImage picture(ostrel::BGRAImage frame) {
    auto pixels = std::make_shared<ostrel::BGRAImage>(std::move(frame));
    return QImage(
        pixels->pixels.data(), pixels->width, pixels->height, static_cast<qsizetype>(pixels->bytesPerRow),
        QImage::Format_RGB32,
        [](void* owner) { delete static_cast<std::shared_ptr<ostrel::BGRAImage>*>(owner); },
        new std::shared_ptr<ostrel::BGRAImage>(pixels));
}

} // namespace

struct FrameImageLoader::DecodeThreads {
    // One decode on its thread; `finished` and `abandoned` are guarded by the mutex.
    struct Job {
        bool finished = false;
        bool abandoned = false;
    };

    std::mutex mutex;
    std::condition_variable changed;
    int running = 0;
    int abandoned = 0; // of those running: their waiters gave up on them

    // Waits until every decode still running is one given up on, for at most `timeout`.
    void waitForWorking(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, timeout, [this] { return running == abandoned; });
    }
};

FrameImageLoader::FrameImageLoader(platform::VideoFiles& files, std::filesystem::path framesDirectory,
                                   std::chrono::milliseconds decodeDeadline)
    : files_(files), framesDirectory_(std::move(framesDirectory)), decodeDeadline_(decodeDeadline),
      decodeThreads_(std::make_shared<DecodeThreads>()) {
    cache_.setMaxCost(cacheCostLimit);
    pool_.setMaxThreadCount(2);
    pool_.setObjectName("FrameImageLoader");
}

FrameImageLoader::~FrameImageLoader() {
    pool_.waitForDone();
    // A decode that never ends holds only its own decoder; the others may still read the files.
    decodeThreads_->waitForWorking(decodeDeadline_);
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

std::optional<ostrel::BGRAImage> FrameImageLoader::decodeWith(const std::shared_ptr<Decoder>& decoder,
                                                              std::int64_t index,
                                                              const std::string& segmentPath) {
    if (!decoder->reader || decoder->stuck) {
        return std::nullopt;
    }
    const int edge = maximumEdge(decoder->size);
    const std::chrono::milliseconds deadline = decodeDeadline_;
    auto decodeNow = [decoder, index, edge, deadline]() -> std::optional<ostrel::BGRAImage> {
        std::unique_lock lock(decoder->mutex, std::defer_lock);
        // Another decode of this decoder that does not end keeps it for good.
        if (!lock.try_lock_for(deadline)) {
            return std::nullopt;
        }
        return decoder->reader->decodeFrame(index, edge, edge);
    };
    if (decoder->mode == platform::DecodeMode::careful) {
        return decodeNow();
    }

    auto task =
        std::make_shared<std::packaged_task<std::optional<ostrel::BGRAImage>()>>(std::move(decodeNow));
    std::future<std::optional<ostrel::BGRAImage>> result = task->get_future();
    auto job = std::make_shared<DecodeThreads::Job>();
    {
        std::lock_guard lock(decodeThreads_->mutex);
        ++decodeThreads_->running;
    }
    try {
        std::thread([task, job, threads = decodeThreads_] {
            (*task)();
            std::lock_guard lock(threads->mutex);
            job->finished = true;
            --threads->running;
            threads->abandoned -= job->abandoned ? 1 : 0;
            threads->changed.notify_all();
        }).detach();
    } catch (...) {
        std::lock_guard lock(decodeThreads_->mutex);
        --decodeThreads_->running;
        throw;
    }
    if (result.wait_for(deadline) != std::future_status::ready) {
        std::lock_guard lock(decodeThreads_->mutex);
        if (!job->finished) {
            job->abandoned = true;
            ++decodeThreads_->abandoned;
            decoder->stuck = true;
            qCWarning(Log::storage(),
                      "Decoding frame %lld of segment %s did not end within %lld ms: its file is decoded on "
                      "one thread from now on",
                      static_cast<long long>(index), segmentPath.c_str(),
                      static_cast<long long>(deadline.count()));
            return std::nullopt;
        }
    }
    return result.get();
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
    {
        std::lock_guard lock(mutex_);
        if (carefulPaths_.contains(segmentPath)) {
            decoder->mode = platform::DecodeMode::careful;
        }
    }
    try {
        decoder->reader = files_.openReader(framesDirectory_ / segmentPath, decoder->mode);
        decoder->frames = decoder->reader->frameCount();
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
    const std::shared_ptr<Decoder> open = generator(segmentPath, size, false);
    if (std::optional<ostrel::BGRAImage> frame = decodeWith(open, index, segmentPath)) {
        return picture(std::move(*frame));
    }
    // A frame the file does not list (yet) is no sign of damage: the file may have grown, or been
    // rewritten under the same name. One it lists that fails, or a decode that did not end, is.
    if (open->stuck || (open->reader && index < open->frames)) {
        std::lock_guard lock(mutex_);
        carefulPaths_.insert(segmentPath);
    }
    // One fresh try.
    std::optional<ostrel::BGRAImage> frame =
        decodeWith(generator(segmentPath, size, true), index, segmentPath);
    return frame ? std::optional<QImage>(picture(std::move(*frame))) : std::nullopt;
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
    carefulPaths_.erase(segmentPath);
}

void FrameImageLoader::removeAll() {
    std::lock_guard lock(mutex_);
    generators_.clear();
    order_.clear();
    keysByPath_.clear();
    cache_.clear();
    forgottenAt_.clear();
    carefulPaths_.clear();
    removedAllAt_ = ++drops_;
}

} // namespace vesperline
