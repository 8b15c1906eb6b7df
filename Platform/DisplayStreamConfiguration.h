#pragma once

namespace vesperline::platform {

// How a display stream delivers its pictures.
struct DisplayStreamConfiguration {
    // Size of the delivered pictures in pixels; the display is scaled to fit it.
    int width = 0;
    int height = 0;
    // Seconds between two samples at least.
    double minimumFrameInterval = 1.0;

    bool operator==(const DisplayStreamConfiguration&) const = default;
};

} // namespace vesperline::platform
