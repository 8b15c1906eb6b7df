#include "Platform/Linux/FFmpegSupport.h"

namespace vesperline::platform::ffmpeg {

std::string errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

MediaError mediaError(const std::string& what, int code) {
    // FFmpeg's own codes (invalid data, end of file, missing decoder) are negative tags; system
    // errors are negated errno values. A file that exists but is empty ends before a header: EOF.
    MediaError::Kind kind = MediaError::Kind::other;
    if (code == AVERROR_INVALIDDATA || code == AVERROR_EOF) {
        kind = MediaError::Kind::invalidData;
    } else if (code < 0 && -code < 4096) {
        kind = MediaError::Kind::unreadable;
    }
    return MediaError(kind, what + ": " + errorText(code));
}

int check(int code, const std::string& what) {
    if (code < 0) {
        throw mediaError(what, code);
    }
    return code;
}

void setBT709(SwsContext* scaler, bool rgbToYUV) {
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    const int fullRange = 1;
    const int limitedRange = 0;
    // RGB ignores the table on its side; the ranges say which side is which.
    sws_setColorspaceDetails(scaler, bt709, rgbToYUV ? fullRange : limitedRange, bt709,
                             rgbToYUV ? limitedRange : fullRange, 0, 1 << 16, 1 << 16);
}

} // namespace vesperline::platform::ffmpeg
