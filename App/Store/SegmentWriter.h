#pragma once

#include "Platform/VideoFiles.h"
#include "Support/BGRAImage.h"
#include "Support/Size.h"
#include "Support/Time.h"

#include <QFuture>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

namespace vesperline {

// Writes one video segment file: each appended screen image becomes the next frame, frame i being
// presented at i seconds whatever the time between captures. Knows nothing of the database: it
// reports each frame's index and, when finished, the file's size.
//
// Use from one thread at a time; finish once, after the last append. Held by shared pointer so a
// finish running in the background keeps it alive. Released without a finish, it leaves its file
// as written so far.
class SegmentWriter final : public std::enable_shared_from_this<SegmentWriter> {
  public:
    // Carries the result of a finish to a thread that waits for it with a time limit.
    struct Box {
        std::atomic<std::int64_t> bytes{0};
    };

    // Replaces any file at `url` and starts writing. Throws `platform::MediaError`.
    static std::shared_ptr<SegmentWriter> create(platform::VideoFiles& files,
                                                 const std::filesystem::path& url, int maxWidth,
                                                 ostrel::Size sourceSize, float quality, bool realTime,
                                                 ostrel::Time start);

    // The source scaled to at most `maxWidth` pixels wide (aspect ratio kept), both edges even.
    static ostrel::Size outputSize(int maxWidth, ostrel::Size sourceSize);

    // Appends `image` as the next frame and returns its index; none when it was not appended: the
    // writer is no longer writing, the encoder stayed busy for `maxWaits` x 5 ms, or it refused it.
    std::optional<std::int64_t> append(const ostrel::BGRAImageView& image, ostrel::Time date, int maxWaits);

    // Completes the file in the background (or removes it when it holds no frame); the future gives
    // its size in bytes, 0 when it was removed.
    QFuture<std::int64_t> finish();
    // The size the finish gave within `timeout` (3 s for callers that may not wait longer), else 0;
    // the finish still runs to its end.
    std::int64_t finishSynchronously(std::chrono::milliseconds timeout = std::chrono::seconds(3));

    const std::filesystem::path& url() const { return url_; }
    ostrel::Size sourceSize() const { return sourceSize_; }
    ostrel::Size outputSize() const { return outputSize_; }
    ostrel::Time startedAt() const { return startedAt_; }
    std::int64_t frameCount() const { return frameCount_; }
    ostrel::Time lastFrameAt() const { return lastFrameAt_; }
    platform::VideoFileWriter::Status status() const { return writer_->status(); }

    SegmentWriter(const SegmentWriter&) = delete;
    SegmentWriter& operator=(const SegmentWriter&) = delete;

  private:
    SegmentWriter(const std::filesystem::path& url, ostrel::Size sourceSize, ostrel::Size outputSize,
                  ostrel::Time start, std::unique_ptr<platform::VideoFileWriter> writer);
    std::int64_t finishNow();

    std::filesystem::path url_;
    ostrel::Size sourceSize_;
    ostrel::Size outputSize_;
    ostrel::Time startedAt_;
    std::int64_t frameCount_ = 0;
    ostrel::Time lastFrameAt_;
    std::unique_ptr<platform::VideoFileWriter> writer_;
};

} // namespace vesperline
