#pragma once

#include "Platform/VideoFiles.h"

namespace vesperline::platform {

// Segment files through FFmpeg: libx265 into fragmented MPEG-4, decoded with FFmpeg's HEVC decoder.
class FFmpegVideoFiles final : public VideoFiles {
  public:
    std::unique_ptr<VideoFileWriter> createWriter(const std::filesystem::path& file,
                                                  const VideoEncoderSettings& settings) override;
    std::unique_ptr<VideoFileReader> openReader(const std::filesystem::path& file,
                                                DecodeMode mode = DecodeMode::threaded) override;
};

} // namespace vesperline::platform
