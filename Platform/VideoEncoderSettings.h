#pragma once

namespace vesperline::platform {

// How a segment file is encoded: HEVC, one frame per second of media time, no frame reordering.
struct VideoEncoderSettings {
    int width = 0; // output size in pixels, both even
    int height = 0;
    float quality = 0.5f;         // 0 (smallest) ... 1 (best)
    int maxKeyFrameInterval = 60; // frames
    // Live capture: frames arrive as they are taken and should not wait behind the encoder.
    bool realTime = true;

    bool operator==(const VideoEncoderSettings&) const = default;
};

} // namespace vesperline::platform
