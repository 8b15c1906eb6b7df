#include "UI/Shared/FrameThumbnailController.h"

#include "Runtime/WhenFinished.h"
#include "Store/FrameImageLoader.h"
#include "Store/FutureOutcome.h"

namespace vesperline {

FrameThumbnailController::FrameThumbnailController(ImageSource source, const ostrel::Clock& clock,
                                                   std::chrono::milliseconds retryDelay, QObject* parent)
    : QObject(parent), source_(std::move(source)), clock_(clock) {
    retryTimer_.setSingleShot(true);
    retryTimer_.setInterval(retryDelay);
    connect(&retryTimer_, &QTimer::timeout, this, &FrameThumbnailController::request);
}

FrameThumbnailController::ImageSource FrameThumbnailController::thumbnails(FrameImageLoader& loader) {
    return [&loader](const std::string& segmentPath, std::int64_t index, std::int64_t frameID) {
        return loader.imageAsync(segmentPath, index, frameID, FrameImageLoader::Size::thumbnail);
    };
}

void FrameThumbnailController::setFrame(const ostrel::FrameSummary& frame) {
    const bool sameMoment = frame_ && frame_->id == frame.id;
    frame_ = frame;
    if (sameMoment) {
        emit changed();
        return;
    }
    cancel();
    image_.reset();
    failed_ = false;
    emit changed();
    if (shown_) {
        load();
    }
}

void FrameThumbnailController::setShown(bool shown) {
    if (shown_ == shown) {
        return;
    }
    shown_ = shown;
    if (!shown) {
        cancel();
    } else if (frame_ && !image_ && !failed_ && !loading_) {
        load();
    }
}

void FrameThumbnailController::reload() {
    cancel();
    image_.reset();
    failed_ = false;
    emit changed();
    if (shown_ && frame_) {
        load();
    }
}

FrameThumbnailController::Content FrameThumbnailController::content() const {
    if (image_) {
        return Content::image;
    }
    if (frame_ && frame_->imageState == ostrel::ImageState::none) {
        return Content::textOnly;
    }
    if (frame_ && frame_->imageState == ostrel::ImageState::segment && !failed_) {
        return Content::loading;
    }
    return Content::unavailable;
}

void FrameThumbnailController::cancel() {
    ++generation_;
    retryTimer_.stop();
    loading_ = false;
}

void FrameThumbnailController::load() {
    if (!frame_->segmentPath || !frame_->segmentIndex) {
        failed_ = true;
        emit changed();
        return;
    }
    loading_ = true;
    requests_ = 0;
    request();
}

void FrameThumbnailController::request() {
    ++requests_;
    const std::uint64_t generation = generation_;
    whenFinished(source_(*frame_->segmentPath, *frame_->segmentIndex, frame_->id), this,
                 [this, generation](QFuture<std::optional<QImage>> answer) {
                     if (generation != generation_) {
                         return;
                     }
                     // A source that failed outright counts as a picture that could not be read.
                     std::optional<QImage> picture =
                         futureOutcome(answer, "Loading the thumbnail").value_or(std::nullopt);
                     answered(std::move(picture));
                 });
}

void FrameThumbnailController::answered(std::optional<QImage> picture) {
    if (picture) {
        loading_ = false;
        image_ = std::move(picture);
        emit changed();
        return;
    }
    if (requests_ < maximumRequests && clock_.now() - frame_->timestamp < freshSeconds) {
        retryTimer_.start();
        return;
    }
    loading_ = false;
    failed_ = true;
    emit changed();
}

} // namespace vesperline
