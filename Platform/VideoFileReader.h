#pragma once

#include "Support/BGRAImage.h"

#include <cstdint>
#include <optional>

namespace vesperline::platform {

// How a reader decodes. `threaded` may hand the work to decoder threads, which the views wait for
// least; `careful` decodes on the caller's thread alone and feeds the decoder no more than the frames
// the file lists, so it always ends: for files that failed once (decoder threads can wait for one
// another for ever over damaged data).
enum class DecodeMode { threaded, careful };

// Reads the frames of one video file, frame i being the one presented at i seconds. Keeps the file
// open; not safe for concurrent use.
class VideoFileReader {
  public:
    virtual ~VideoFileReader() = default;

    // Frames the file lists (its duration in whole seconds). A file cut while it was written may list
    // frames whose data did not survive.
    virtual std::int64_t frameCount() const = 0;
    // Frame `index` in BGRA, scaled down to fit `maxWidth` x `maxHeight` with its aspect ratio kept
    // (never enlarged; 0 leaves that edge free); none when it cannot be decoded.
    virtual std::optional<ostrel::BGRAImage> decodeFrame(std::int64_t index, int maxWidth = 0,
                                                         int maxHeight = 0) = 0;

    // The frames up to and including the last one that decodes, found by walking back from the end
    // one frame at a time; 0 when none decodes.
    std::int64_t decodableFrameCount();
};

} // namespace vesperline::platform
