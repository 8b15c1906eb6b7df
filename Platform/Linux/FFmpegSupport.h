#pragma once

#include "Platform/MediaError.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

namespace vesperline::platform::ffmpeg {

// Owners of the FFmpeg objects, freed with their own functions.
struct CodecContextDeleter {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScalerDeleter {
    void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerDeleter>;

// FFmpeg's text for an error code.
std::string errorText(int code);

// "<what>: <FFmpeg's text>" as a `MediaError` whose kind says whether the failure was one of reaching
// the file (a system error) or of what it holds.
MediaError mediaError(const std::string& what, int code);

// Throws `mediaError(what, code)` when `code` is negative; returns it otherwise.
int check(int code, const std::string& what);

// Segment pictures are BT.709 with limited-range luma, as screen video players expect.
void setBT709(SwsContext* scaler, bool rgbToYUV);

} // namespace vesperline::platform::ffmpeg
