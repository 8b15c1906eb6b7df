#include "Platform/Linux/LazyVideoFiles.h"

#include "Platform/MediaError.h"

namespace vesperline::platform {

VideoFiles& LazyVideoFiles::loaded() {
    VideoFiles* files = module_.videoFiles();
    if (files == nullptr) {
        throw MediaError(MediaError::Kind::other, "Video files cannot be used: " + module_.failure());
    }
    return *files;
}

std::unique_ptr<VideoFileWriter> LazyVideoFiles::createWriter(const std::filesystem::path& file,
                                                              const VideoEncoderSettings& settings) {
    return loaded().createWriter(file, settings);
}

std::unique_ptr<VideoFileReader> LazyVideoFiles::openReader(const std::filesystem::path& file,
                                                            DecodeMode mode) {
    return loaded().openReader(file, mode);
}

} // namespace vesperline::platform
