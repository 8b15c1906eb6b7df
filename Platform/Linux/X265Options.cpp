#include "Platform/Linux/X265Options.h"

#include <algorithm>
#include <cmath>

namespace vesperline::platform {

X265Options X265Options::forSettings(const VideoEncoderSettings& settings) {
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
           ":min-keyint=1:frame-threads=1:pools=" + std::to_string(std::max(1, threads)) +
           ":log-level=error";
}

} // namespace vesperline::platform
