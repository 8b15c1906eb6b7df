#pragma once

#include "Support/BGRAImage.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace vesperline::platform {

// Writes one video file frame by frame. Created writing; `finish` or `cancel` ends it. Not safe for
// concurrent use: append from one thread, and finish or cancel only after the last append.
class VideoFileWriter {
  public:
    enum class Status { writing, completed, failed, cancelled };

    virtual ~VideoFileWriter() = default;

    virtual Status status() const = 0;
    // Why the writer failed, when it did and knows.
    virtual std::optional<std::string> error() const = 0;
    // False while the encoder is still busy with earlier frames.
    virtual bool isReadyForMoreFrames() const = 0;
    // Waits until the writer is ready for more frames, stops writing, or `timeout` passes, waking as
    // soon as the encoder takes a frame; returns whether it is ready.
    virtual bool waitUntilReady(std::chrono::milliseconds timeout) = 0;
    // Scales `image` to the output size and queues it as the frame presented at `seconds`. False
    // when the writer rejected it (it is then normally failed).
    virtual bool appendFrame(const ostrel::BGRAImageView& image, std::int64_t seconds) = 0;
    // Encodes every queued frame and completes the file; blocks until done. Afterwards the status
    // is completed, or failed with an error.
    virtual void finish() = 0;
    // Stops writing and drops queued frames; the file is left as it stands for the caller.
    virtual void cancel() = 0;
};

} // namespace vesperline::platform
