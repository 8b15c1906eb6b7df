#include "Store/SegmentWriter.h"

#include "Runtime/Log.h"
#include "Storage/OstrelPaths.h"

#include <cmath>

namespace vesperline {

namespace {

// Frames between keyframes at most: a frame decodes after at most this many others.
constexpr int maxKeyFrameInterval = 60;

void removeFile(const std::filesystem::path& url) {
    std::error_code ignored;
    std::filesystem::remove(url, ignored);
}

QString describe(const std::optional<std::string>& error) {
    return QString::fromStdString(error.value_or("none"));
}

} // namespace

SegmentWriter::SegmentWriter(const std::filesystem::path& url, ostrel::Size sourceSize,
                             ostrel::Size outputSize, ostrel::Time start,
                             std::unique_ptr<platform::VideoFileWriter> writer)
    : url_(url), sourceSize_(sourceSize), outputSize_(outputSize), startedAt_(start), lastFrameAt_(start),
      writer_(std::move(writer)) {}

std::shared_ptr<SegmentWriter> SegmentWriter::create(platform::VideoFiles& files,
                                                     const std::filesystem::path& url, int maxWidth,
                                                     ostrel::Size sourceSize, float quality, bool realTime,
                                                     ostrel::Time start) {
    const ostrel::Size output = outputSize(maxWidth, sourceSize);
    removeFile(url);
    platform::VideoEncoderSettings settings;
    settings.width = static_cast<int>(output.width);
    settings.height = static_cast<int>(output.height);
    settings.quality = quality;
    settings.maxKeyFrameInterval = maxKeyFrameInterval;
    settings.realTime = realTime;
    auto writer = files.createWriter(url, settings);
    return std::shared_ptr<SegmentWriter>(
        new SegmentWriter(url, sourceSize, output, start, std::move(writer)));
}

ostrel::Size SegmentWriter::outputSize(int maxWidth, ostrel::Size sourceSize) {
    auto width = static_cast<std::int64_t>(sourceSize.width);
    auto height = static_cast<std::int64_t>(sourceSize.height);
    if (maxWidth < width) {
        height = std::llround(static_cast<double>(maxWidth) * static_cast<double>(height) /
                              static_cast<double>(width));
        width = maxWidth;
    }
    return {static_cast<double>(width & ~std::int64_t{1}), static_cast<double>(height & ~std::int64_t{1})};
}

std::optional<std::int64_t> SegmentWriter::append(const ostrel::BGRAImageView& image, ostrel::Time date,
                                                  std::chrono::milliseconds maxWait) {
    if (writer_->status() != platform::VideoFileWriter::Status::writing) {
        return std::nullopt;
    }
    if (!writer_->waitUntilReady(maxWait)) {
        qCCritical(Log::capture, "Encoder busy, frame dropped");
        return std::nullopt;
    }
    if (!writer_->appendFrame(image, frameCount_)) {
        qCCritical(Log::capture, "Append failed: %s", qUtf8Printable(describe(writer_->error())));
        return std::nullopt;
    }
    lastFrameAt_ = date;
    return frameCount_++;
}

std::int64_t SegmentWriter::finish() {
    using Status = platform::VideoFileWriter::Status;
    const bool writing = writer_->status() == Status::writing;
    if (frameCount_ == 0) {
        if (writing) {
            writer_->cancel();
        }
        removeFile(url_);
        return 0;
    }
    if (writing) {
        writer_->finish();
        if (writer_->status() != Status::completed) {
            qCCritical(Log::capture, "Segment finish failed: %s", qUtf8Printable(describe(writer_->error())));
        }
    }
    // A writer that failed earlier is not finished: the fragments written so far stay readable.
    return ostrel::OstrelPaths::allocatedSize(url_);
}

} // namespace vesperline
