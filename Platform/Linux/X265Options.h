#pragma once

#include "Platform/VideoEncoderSettings.h"

#include <string>

namespace vesperline::platform {

// The libx265 settings a segment file is encoded with.
struct X265Options {
    std::string preset;
    double crf = 28;
    int keyFrameInterval = 60;
    // Worker threads of the encoder's pool; frames are never encoded in parallel.
    int threads = 1;

    // What the writers of the application use for `settings` (quality mapped to a constant rate
    // factor; preset, keyframe interval and threads chosen from measurements in Bench/App).
    static X265Options forSettings(const VideoEncoderSettings& settings);

    // The "x265-params" string: no B-frames, no look-ahead, closed GOPs, the keyframe interval and
    // the thread limit.
    std::string parameters() const;

    bool operator==(const X265Options&) const = default;
};

} // namespace vesperline::platform
