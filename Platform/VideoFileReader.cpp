#include "Platform/VideoFileReader.h"

namespace vesperline::platform {

std::int64_t VideoFileReader::decodableFrameCount() {
    // A tiny picture is enough to know the frame decodes.
    constexpr int probeEdge = 64;
    for (std::int64_t count = frameCount(); count > 0; --count) {
        if (decodeFrame(count - 1, probeEdge, probeEdge)) {
            return count;
        }
    }
    return 0;
}

} // namespace vesperline::platform
