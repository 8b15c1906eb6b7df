#pragma once

#include "Platform/Linux/FFmpegSupport.h"
#include "Platform/Linux/X265Options.h"
#include "Platform/VideoFileWriter.h"

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

namespace vesperline::platform {

// HEVC (libx265) in fragmented MPEG-4, one fragment written and flushed per frame so that a killed
// process loses at most the frame being encoded. The caller's thread converts each image to YUV
// with swscale; a named worker thread opens the encoder, encodes and writes, so capture never waits
// for the encoder unless frames pile up, and the encoder's own threads carry the worker's name.
class FFmpegVideoFileWriter final : public VideoFileWriter {
  public:
    // Creates the file and writes its header. Throws `MediaError`.
    FFmpegVideoFileWriter(const std::filesystem::path& file, const VideoEncoderSettings& settings,
                          const X265Options& options);
    // Without a finish the file stays as written so far.
    ~FFmpegVideoFileWriter() override;
    FFmpegVideoFileWriter(const FFmpegVideoFileWriter&) = delete;
    FFmpegVideoFileWriter& operator=(const FFmpegVideoFileWriter&) = delete;

    Status status() const override;
    std::optional<std::string> error() const override;
    bool isReadyForMoreFrames() const override;
    bool waitUntilReady(std::chrono::milliseconds timeout) override;
    bool appendFrame(const ostrel::BGRAImageView& image, std::int64_t seconds) override;
    void finish() override;
    void cancel() override;

  private:
    // Frames converted but not yet taken by the worker before the writer counts as busy.
    static constexpr std::size_t maxWaitingFrames = 2;

    // Creates the file with its header and opens the encoder; on the worker. Throws `MediaError`,
    // leaving no file behind.
    void open(const std::filesystem::path& file, const X265Options& options);
    void openEncoder(const VideoEncoderSettings& settings, const X265Options& options);
    void openFile(const std::filesystem::path& file);
    ffmpeg::FramePtr convert(const ostrel::BGRAImageView& image, std::int64_t seconds);
    bool isReady() const; // with `mutex_` held
    void encodeLoop();
    // Sends `frame` (none flushes the encoder) and writes every packet it gives back. Throws.
    void encode(const AVFrame* frame);
    void writeTrailer();
    void stopWorker();
    void closeFile();
    void fail(const std::string& reason);

    VideoEncoderSettings settings_;
    AVFormatContext* format_ = nullptr;
    ffmpeg::CodecContextPtr codec_;
    AVStream* stream_ = nullptr;
    ffmpeg::PacketPtr packet_;
    ffmpeg::ScalerPtr scaler_; // caller's thread only

    mutable std::mutex mutex_;
    std::condition_variable changed_; // frames waiting, taken, or the state changed
    std::deque<ffmpeg::FramePtr> waiting_;
    // Encoded frames kept for reuse: a new 1080p frame each time costs page faults and zeroing.
    std::vector<ffmpeg::FramePtr> spare_;
    bool finishing_ = false; // no more frames will come: drain, then complete the file
    bool stopping_ = false;  // drop what waits and end the worker
    Status status_ = Status::writing;
    std::optional<std::string> error_;
    std::thread worker_;
};

} // namespace vesperline::platform
