#include "Platform/Linux/FFmpegVideoFiles.h"

#include "Platform/Linux/FFmpegVideoFileReader.h"
#include "Platform/Linux/FFmpegVideoFileWriter.h"

namespace vesperline::platform {

std::unique_ptr<VideoFileWriter> FFmpegVideoFiles::createWriter(const std::filesystem::path& file,
                                                                const VideoEncoderSettings& settings) {
    return std::make_unique<FFmpegVideoFileWriter>(file, settings, X265Options::forSettings(settings));
}

std::unique_ptr<VideoFileReader> FFmpegVideoFiles::openReader(const std::filesystem::path& file,
                                                              DecodeMode mode) {
    return std::make_unique<FFmpegVideoFileReader>(file, mode);
}

} // namespace vesperline::platform
