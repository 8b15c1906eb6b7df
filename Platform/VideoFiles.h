#pragma once

#include "Platform/VideoEncoderSettings.h"
#include "Platform/VideoFileReader.h"
#include "Platform/VideoFileWriter.h"

#include <filesystem>
#include <memory>

namespace vesperline::platform {

// Creates writers and readers of segment files (HEVC in fragmented MPEG-4).
class VideoFiles {
  public:
    virtual ~VideoFiles() = default;

    // A writer of a new file at `file` (replacing any), already writing. Throws `MediaError`.
    virtual std::unique_ptr<VideoFileWriter> createWriter(const std::filesystem::path& file,
                                                          const VideoEncoderSettings& settings) = 0;
    // A reader of the file at `file`. Throws `MediaError`; its kind tells a file that could not be
    // reached now from one that holds no video.
    virtual std::unique_ptr<VideoFileReader> openReader(const std::filesystem::path& file,
                                                        DecodeMode mode = DecodeMode::threaded) = 0;
};

} // namespace vesperline::platform
