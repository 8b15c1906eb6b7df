#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vesperline {

// The picture quality setting of new video segments: the encoder quality and the widest output.
enum class ImageQuality { compact, balanced, sharp };

inline std::string toRaw(ImageQuality quality) {
    switch (quality) {
    case ImageQuality::compact:
        return "compact";
    case ImageQuality::balanced:
        return "balanced";
    case ImageQuality::sharp:
        return "sharp";
    }
    return "balanced";
}

inline std::optional<ImageQuality> imageQualityFromRaw(std::string_view raw) {
    for (ImageQuality quality : {ImageQuality::compact, ImageQuality::balanced, ImageQuality::sharp}) {
        if (toRaw(quality) == raw) {
            return quality;
        }
    }
    return std::nullopt;
}

} // namespace vesperline
