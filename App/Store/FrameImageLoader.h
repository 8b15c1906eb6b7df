#pragma once

#include "Platform/VideoFiles.h"

#include <QCache>
#include <QFuture>
#include <QImage>
#include <QThreadPool>

#include <atomic>
#include <chrono>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace vesperline {

// Turns stored moments back into pictures: decodes frame i (the one at i seconds) of a segment file
// at one of three sizes, keeps the decoders of the ten most recently used (file, size) pairs open, and
// keeps decoded pictures in a cache bounded by their bytes (260 MiB). Safe to use from any thread;
// decoding runs outside the loader's lock, one decode at a time per decoder.
//
// No wait lasts for ever: a decode on decoder threads runs on a thread of its own and is waited for
// until a deadline; one that does not end by then (damaged data can leave decoder threads waiting on
// one another for good) answers no picture, and is left to itself. A file whose listed frame did not
// decode, or whose decode did not end, is decoded carefully from then on (one thread, a bounded
// number of frames), until it is forgotten.
class FrameImageLoader final {
  public:
    enum class Size { thumbnail, preview, full };

    static constexpr std::int64_t cacheCostLimit = 272629760;
    static constexpr std::size_t maximumOpenDecoders = 10;
    // Well above the slowest healthy decode: a full-size picture 59 frames past its keyframe.
    static constexpr std::chrono::milliseconds standardDecodeDeadline{5000};

    // One open segment file, decoded at one size. Not for concurrent use: lock `mutex` around it.
    struct Decoder {
        std::timed_mutex mutex;
        std::unique_ptr<platform::VideoFileReader> reader; // none when the file could not be opened
        std::int64_t frames = 0;                           // the frames the file listed when opened
        Size size = Size::full;
        platform::DecodeMode mode = platform::DecodeMode::threaded;
        // A decode on it did not end by its deadline: nothing more is asked of it.
        std::atomic<bool> stuck{false};
    };

    // Reads segment files below `framesDirectory` (the store hub's frames folder).
    FrameImageLoader(platform::VideoFiles& files, std::filesystem::path framesDirectory,
                     std::chrono::milliseconds decodeDeadline = standardDecodeDeadline);
    FrameImageLoader(const FrameImageLoader&) = delete;
    FrameImageLoader& operator=(const FrameImageLoader&) = delete;
    ~FrameImageLoader();

    static std::string rawValue(Size size);
    // The square box a size fits pictures into; 0 means the frame's own size.
    static int maximumEdge(Size size);

    // The picture of frame `index` of the segment at `segmentPath` (relative to the frames folder),
    // or none when it cannot be decoded even with a fresh decoder. Blocks while decoding.
    std::optional<QImage> image(const std::string& segmentPath, std::int64_t index, std::int64_t frameID,
                                Size size);
    // The same on the loader's own threads.
    QFuture<std::optional<QImage>> imageAsync(const std::string& segmentPath, std::int64_t index,
                                              std::int64_t frameID, Size size);
    // The picture decoded past the picture cache (neither read nor filled), with a fresh decoder
    // when the open one fails. Blocks while decoding, never much longer than twice the deadline.
    std::optional<QImage> decode(const std::string& segmentPath, std::int64_t index, Size size);

    // The decoder of a file at a size: the open one unless `fresh`, which always opens a new one
    // (a careful one for a file that failed before).
    std::shared_ptr<Decoder> generator(const std::string& segmentPath, Size size, bool fresh);

    // Drops every decoder and picture of one file (after it was rewritten or deleted).
    void forget(const std::string& segmentPath);
    // Drops every decoder and picture.
    void removeAll();

  private:
    // The threads decodes run on, counted so that the loader's end waits for those still working.
    struct DecodeThreads;

    // Frame `index` from `decoder`: on the calling thread for a careful decoder, else on a thread of
    // its own waited for until the deadline.
    std::optional<ostrel::BGRAImage> decodeWith(const std::shared_ptr<Decoder>& decoder, std::int64_t index,
                                                const std::string& segmentPath);
    std::string cacheKey(const std::string& segmentPath, std::int64_t frameID, Size size) const;
    bool droppedSince(const std::string& segmentPath, std::uint64_t moment) const;
    void touch(const std::string& generatorKey);

    platform::VideoFiles& files_;
    const std::filesystem::path framesDirectory_;
    const std::chrono::milliseconds decodeDeadline_;
    std::shared_ptr<DecodeThreads> decodeThreads_;
    QThreadPool pool_;

    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<Decoder>> generators_;
    std::deque<std::string> order_; // generator keys, least recently used first
    std::map<std::string, std::set<QString>> keysByPath_;
    QCache<QString, QImage> cache_;
    // When each file, or everything, was last dropped, on a counter of drops: a decode that was
    // already running when its file was dropped must not put the dropped picture back.
    std::uint64_t drops_ = 0;
    std::map<std::string, std::uint64_t> forgottenAt_;
    std::uint64_t removedAllAt_ = 0;
    // Files that failed once, decoded carefully until forgotten.
    std::set<std::string> carefulPaths_;
};

} // namespace vesperline
