#include "Platform/Linux/FFmpegVideoFileReader.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace vesperline::platform {

using namespace ffmpeg;

FFmpegVideoFileReader::FFmpegVideoFileReader(const std::filesystem::path& file, DecodeMode mode)
    : packet_(av_packet_alloc()), frame_(av_frame_alloc()) {
    try {
        check(avformat_open_input(&format_, file.c_str(), nullptr, nullptr),
              "Could not open " + file.string());
        check(avformat_find_stream_info(format_, nullptr), "Could not read " + file.string());
        const AVCodec* decoder = nullptr;
        streamIndex_ = av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
        if (streamIndex_ < 0 || !decoder) {
            throw MediaError(MediaError::Kind::invalidData, file.string() + " holds no decodable video");
        }
        codec_.reset(avcodec_alloc_context3(decoder));
        check(avcodec_parameters_to_context(codec_.get(), format_->streams[streamIndex_]->codecpar),
              "Could not set up the decoder");
        const std::int64_t codedBytes = indexSamples();
        // A picture far from a keyframe takes dozens of frames to reach, and the user waits for it
        // (scrubbing the timeline). Frames of much change (a scrolled page) decode fastest with their
        // rows split over four threads, as the encoder's wavefronts allow. Frames of little change
        // (typing) gain nothing from that, the threads' hand-offs outweigh their work: two of them
        // are decoded at once instead, each starting on the rows its reference already has, for
        // the same memory. The decoder then runs a frame past the one asked for; going on from
        // there still works.
        const double pixels = double(codec_->width) * codec_->height;
        const bool littleChange = frameCount() > 0 && double(codedBytes) / double(frameCount()) <
                                                          pixels * bytesPerPixelOfLittleChange;
        codec_->thread_count =
            int(std::clamp(std::thread::hardware_concurrency(), 1u, littleChange ? 2u : 4u));
        codec_->thread_type = littleChange ? FF_THREAD_FRAME : FF_THREAD_SLICE;
        if (mode == DecodeMode::careful) {
            // On one thread nothing can wait for another: slice threads over damaged wavefronts can.
            codec_->thread_count = 1;
            codec_->thread_type = 0;
        }
        check(avcodec_open2(codec_.get(), decoder, nullptr), "Could not open the decoder");
    } catch (...) {
        avformat_close_input(&format_);
        throw;
    }
}

FFmpegVideoFileReader::~FFmpegVideoFileReader() {
    avformat_close_input(&format_);
}

std::int64_t FFmpegVideoFileReader::indexSamples() {
    const AVRational timeBase = format_->streams[streamIndex_]->time_base;
    std::int64_t codedBytes = 0;
    while (av_read_frame(format_, packet_.get()) >= 0) {
        const AVPacket& packet = *packet_;
        // A packet cut short by the end of the file does not count as a frame of the file.
        if (packet.stream_index == streamIndex_ && packet.pts != AV_NOPTS_VALUE &&
            !(packet.flags & AV_PKT_FLAG_CORRUPT)) {
            const auto index = static_cast<std::int64_t>(std::llround(av_q2d(timeBase) * packet.pts));
            if (index >= 0) {
                codedBytes += packet.size;
                if (static_cast<std::size_t>(index) >= samples_.size()) {
                    samples_.resize(index + 1, Sample{AV_NOPTS_VALUE, false});
                }
                samples_[index] = Sample{packet.pts, (packet.flags & AV_PKT_FLAG_KEY) != 0};
            }
        }
        av_packet_unref(packet_.get());
    }
    endOfFile_ = true;
    return codedBytes;
}

std::int64_t FFmpegVideoFileReader::frameCount() const {
    return static_cast<std::int64_t>(samples_.size());
}

std::optional<ostrel::BGRAImage> FFmpegVideoFileReader::decodeFrame(std::int64_t index, int maxWidth,
                                                                    int maxHeight) {
    if (index < 0 || index >= frameCount() || samples_[index].pts == AV_NOPTS_VALUE) {
        return std::nullopt;
    }
    // Going on from the last decoded frame beats a seek unless a keyframe lies in between.
    bool goOn = nextIndex_ >= 0 && nextIndex_ <= index && !endOfFile_;
    for (std::int64_t i = std::max<std::int64_t>(nextIndex_ + 1, 0); goOn && i <= index; ++i) {
        goOn = !samples_[i].isKey;
    }
    if (!goOn && !seekTo(index)) {
        nextIndex_ = -1;
        return std::nullopt;
    }
    if (!decodeUntil(samples_[index].pts)) {
        nextIndex_ = -1;
        return std::nullopt;
    }
    nextIndex_ = index + 1;
    return toBGRA(*frame_, maxWidth, maxHeight);
}

bool FFmpegVideoFileReader::seekTo(std::int64_t index) {
    avcodec_flush_buffers(codec_.get());
    endOfFile_ = false;
    return av_seek_frame(format_, streamIndex_, samples_[index].pts, AVSEEK_FLAG_BACKWARD) >= 0;
}

bool FFmpegVideoFileReader::decodeUntil(std::int64_t pts) {
    AVCodecContext* codec = codec_.get();
    // Every frame of the file, and the frames decoder threads hold back, at the most.
    const std::int64_t packetLimit = frameCount() + codec->thread_count + 16;
    std::int64_t packetsRead = 0;
    for (;;) {
        const int received = avcodec_receive_frame(codec, frame_.get());
        if (received == 0) {
            const bool damaged = frame_->decode_error_flags != 0 || (frame_->flags & AV_FRAME_FLAG_CORRUPT);
            const std::int64_t shown =
                frame_->best_effort_timestamp != AV_NOPTS_VALUE ? frame_->best_effort_timestamp : frame_->pts;
            if (shown == pts) {
                return !damaged;
            }
            if (shown > pts) {
                return false;
            }
            continue;
        }
        if (received != AVERROR(EAGAIN) || endOfFile_) {
            return false;
        }
        if (++packetsRead > packetLimit) {
            return false;
        }
        if (av_read_frame(format_, packet_.get()) < 0) {
            endOfFile_ = true;
            avcodec_send_packet(codec, nullptr); // drain what the decoder still holds
            continue;
        }
        if (packet_->stream_index == streamIndex_) {
            // A packet the decoder refuses leaves its frame out; the frames after it still count.
            avcodec_send_packet(codec, packet_.get());
        }
        av_packet_unref(packet_.get());
    }
}

ostrel::BGRAImage FFmpegVideoFileReader::toBGRA(const AVFrame& frame, int maxWidth, int maxHeight) {
    double scale = 1.0;
    if (maxWidth > 0) {
        scale = std::min(scale, static_cast<double>(maxWidth) / frame.width);
    }
    if (maxHeight > 0) {
        scale = std::min(scale, static_cast<double>(maxHeight) / frame.height);
    }
    const int width = std::max(1, static_cast<int>(std::lround(frame.width * scale)));
    const int height = std::max(1, static_cast<int>(std::lround(frame.height * scale)));
    SwsContext* previous = scaler_.get();
    SwsContext* scaler = sws_getCachedContext(scaler_.release(), frame.width, frame.height,
                                              static_cast<AVPixelFormat>(frame.format), width, height,
                                              AV_PIX_FMT_BGRA, SWS_AREA, nullptr, nullptr, nullptr);
    scaler_.reset(scaler);
    ostrel::BGRAImage image(width, height);
    if (!scaler) {
        throw MediaError(MediaError::Kind::other, "Could not convert a decoded frame");
    }
    if (scaler != previous) {
        setBT709(scaler, false);
    }
    std::uint8_t* destination[1] = {image.pixels.data()};
    const int destinationStride[1] = {static_cast<int>(image.bytesPerRow)};
    sws_scale(scaler, frame.data, frame.linesize, 0, frame.height, destination, destinationStride);
    return image;
}

} // namespace vesperline::platform
