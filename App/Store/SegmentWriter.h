#pragma once

#include "Platform/VideoFiles.h"
#include "Support/BGRAImage.h"
#include "Support/Size.h"
#include "Support/Time.h"

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
// finish running on another thread keeps it alive. Released without a finish, it leaves its file
// as written so far.
class SegmentWriter final {
  public:
    // Replaces any file at `url` and starts writing. Throws `platform::MediaError`.
    static std::shared_ptr<SegmentWriter> create(platform::VideoFiles& files,
                                                 const std::filesystem::path& url, int maxWidth,
                                                 ostrel::Size sourceSize, float quality, bool realTime,
                                                 ostrel::Time start);

    // The source scaled to at most `maxWidth` pixels wide (aspect ratio kept), both edges even.
    static ostrel::Size outputSize(int maxWidth, ostrel::Size sourceSize);

    // Appends `image` as the next frame and returns its index; none when it was not appended: the
    // writer is no longer writing, the encoder stayed busy for `maxWait`, or it refused it. Waits on
    // the encoder's readiness, so a frame goes in the moment the encoder can take it.
    std::optional<std::int64_t> append(const ostrel::BGRAImageView& image, ostrel::Time date,
                                       std::chrono::milliseconds maxWait);

    // Completes the file (or removes it when it holds no frame) and returns its size in bytes, 0 when
    // it was removed. Blocks until the encoder is done.
    std::int64_t finish();

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

    std::filesystem::path url_;
    ostrel::Size sourceSize_;
    ostrel::Size outputSize_;
    ostrel::Time startedAt_;
    std::int64_t frameCount_ = 0;
    ostrel::Time lastFrameAt_;
    std::unique_ptr<platform::VideoFileWriter> writer_;
};

} // namespace vesperline
