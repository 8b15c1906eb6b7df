#pragma once

#include "Platform/Linux/FFmpegSupport.h"
#include "Platform/VideoFileReader.h"

#include <filesystem>
#include <vector>

namespace vesperline::platform {

// Decodes frames of a segment file by index. Opening reads every packet header once (a segment is
// small) to learn which frames the file lists and where its keyframes are; a frame is then decoded
// from the keyframe before it, or straight on from the last decoded frame when that is nearer.
class FFmpegVideoFileReader final : public VideoFileReader {
  public:
    // Throws `MediaError`.
    explicit FFmpegVideoFileReader(const std::filesystem::path& file, DecodeMode mode = DecodeMode::threaded);
    ~FFmpegVideoFileReader() override;
    FFmpegVideoFileReader(const FFmpegVideoFileReader&) = delete;
    FFmpegVideoFileReader& operator=(const FFmpegVideoFileReader&) = delete;

    std::int64_t frameCount() const override;
    std::optional<ostrel::BGRAImage> decodeFrame(std::int64_t index, int maxWidth = 0,
                                                 int maxHeight = 0) override;

  private:
    struct Sample {
        std::int64_t pts = 0; // in the stream's time base
        bool isKey = false;
    };

    // Coded bytes per pixel and frame below which frames hold little change: a 1080p typing frame
    // is about 0.005 (10 KB), a scrolled page 0.07 to 0.13 (150 to 280 KB).
    static constexpr double bytesPerPixelOfLittleChange = 0.02;

    // Lists the file's frames; returns the bytes of their coded pictures.
    std::int64_t indexSamples();
    bool seekTo(std::int64_t index);
    // Feeds packets until the decoder gives the frame presented at `pts`; false at the end, on an
    // error, or once it has read more packets than the file lists frames (a damaged file's demuxer
    // may go round in circles).
    bool decodeUntil(std::int64_t pts);
    ostrel::BGRAImage toBGRA(const AVFrame& frame, int maxWidth, int maxHeight);

    AVFormatContext* format_ = nullptr;
    int streamIndex_ = -1;
    ffmpeg::CodecContextPtr codec_;
    ffmpeg::PacketPtr packet_;
    ffmpeg::FramePtr frame_;
    ffmpeg::ScalerPtr scaler_;
    std::vector<Sample> samples_; // by frame index
    std::int64_t nextIndex_ = -1; // the frame the decoder gives next without a seek; -1 after a seek
    bool endOfFile_ = false;
};

} // namespace vesperline::platform
