#include "Store/SegmentRewriter.h"

#include "Platform/MediaError.h"

#include <memory>

namespace vesperline {

SegmentRewriteResult SegmentRewriter::rewrite(const std::filesystem::path& source,
                                              const std::set<std::int64_t>& keep,
                                              const std::filesystem::path& destination, float quality) {
    // Read on one thread: an old file may be damaged, and decoder threads can then wait for ever
    // while the segment lock is held. Reading in order, one thread loses little.
    std::unique_ptr<platform::VideoFileReader> reader =
        files_.openReader(source, platform::DecodeMode::careful);
    const std::int64_t sourceFrames = reader->frameCount();
    SegmentRewriteResult result;
    platform::VideoEncoderSettings settings;
    std::unique_ptr<platform::VideoFileWriter> writer;
    for (const std::int64_t index : keep) { // ascending: the source's frame order
        if (index < 0 || index >= sourceFrames) {
            continue;
        }
        const std::optional<ostrel::BGRAImage> frame = reader->decodeFrame(index);
        if (!frame) {
            continue;
        }
        if (!writer) {
            // The source's size, each side rounded down to even as the encoder needs: no resolution lost.
            settings.width = frame->width / 2 * 2;
            settings.height = frame->height / 2 * 2;
            settings.quality = quality;
            settings.realTime = false;
            writer = files_.createWriter(destination, settings);
        }
        // A frame the writer drops gets no entry: the caller counts it as a lost picture.
        if (writer->waitUntilReady(encoderWait) && writer->appendFrame(frame->view(), result.frameCount)) {
            result.mapping[index] = result.frameCount++;
        }
    }
    if (!writer) {
        return result;
    }
    if (result.frameCount == 0) {
        writer->cancel();
        std::error_code ignored;
        std::filesystem::remove(destination, ignored);
        return {};
    }
    writer->finish();
    if (writer->status() != platform::VideoFileWriter::Status::completed) {
        throw platform::MediaError(platform::MediaError::Kind::other,
                                   writer->error().value_or("the segment file could not be completed"));
    }
    result.bytes = static_cast<std::int64_t>(std::filesystem::file_size(destination));
    result.width = settings.width;
    result.height = settings.height;
    return result;
}

} // namespace vesperline
