#include "Platform/Linux/X265Options.h"

#include <algorithm>
#include <cmath>

namespace vesperline::platform {

X265Options X265Options::forSettings(const VideoEncoderSettings& settings) {
    // Chosen from Bench/App/VideoSegmentBench (1920x1080 screen-like frames, one thread):
    // ultrafast keeps a typing frame well under 50 ms of CPU (32 ms on a quiet machine, 40-45 ms on
    // a loaded one; superfast 45 ms, faster presets more) and scrolling at 103 ms (superfast 140);
    // its typing frames (9.8 KB at CRF 30, keyframe every 60) make about 18 MB per hour at a frame
    // every two seconds. CRF 26-34 hardly moves text quality (PSNR
    // 37.1-37.4 dB, limited by 4:2:0 chroma) but sizes do (11.2 to 8.5 KB typing, 279 to 155 KB
    // scrolling), so balanced sits in the middle. More pool threads lower latency, not CPU.
    X265Options options;
    options.preset = "ultrafast";
    // Quality 0.5 (balanced) is CRF 30; each 0.1 of quality is 2 CRF steps.
    const double quality = std::clamp(static_cast<double>(settings.quality), 0.0, 1.0);
    options.crf = std::round((40.0 - 20.0 * quality) * 10.0) / 10.0;
    options.keyFrameInterval = std::max(1, settings.maxKeyFrameInterval);
    options.threads = 1;
    return options;
}

std::string X265Options::parameters() const {
    return "bframes=0:rc-lookahead=0:open-gop=0:keyint=" + std::to_string(keyFrameInterval) +
           ":min-keyint=1:frame-threads=1:pools=" + std::to_string(std::max(1, threads)) + ":log-level=error";
}

} // namespace vesperline::platform
