#pragma once

#include "Platform/Linux/BackendModule.h"

namespace vesperline::platform {

// The back-ends module's video files, loading the module on first use; without it every call throws
// `MediaError` of kind `other`.
class LazyVideoFiles final : public VideoFiles {
  public:
    explicit LazyVideoFiles(BackendModule& module) : module_(module) {}

    std::unique_ptr<VideoFileWriter> createWriter(const std::filesystem::path& file,
                                                  const VideoEncoderSettings& settings) override;
    std::unique_ptr<VideoFileReader> openReader(const std::filesystem::path& file,
                                                DecodeMode mode = DecodeMode::threaded) override;

  private:
    VideoFiles& loaded();

    BackendModule& module_;
};

} // namespace vesperline::platform
