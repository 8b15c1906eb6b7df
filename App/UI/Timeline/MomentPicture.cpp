#include "UI/Timeline/MomentPicture.h"

#include "Runtime/WhenFinished.h"
#include "Store/FutureOutcome.h"

namespace vesperline {

namespace {

bool hasPicture(const ostrel::FrameSummary& frame) {
    return frame.imageState == ostrel::ImageState::segment && frame.segmentPath && frame.segmentIndex;
}

} // namespace

MomentPicture::MomentPicture(Source source, QObject* parent) : QObject(parent), source_(std::move(source)) {}

MomentPicture::Source MomentPicture::from(FrameImageLoader& loader) {
    return [&loader](const std::string& segmentPath, std::int64_t index, std::int64_t frameID,
                     FrameImageLoader::Size size) {
        return loader.imageAsync(segmentPath, index, frameID, size);
    };
}

void MomentPicture::setMoment(const std::optional<ostrel::FrameSummary>& frame, FrameImageLoader::Size size) {
    const bool sameMoment = wanted_ && frame && wanted_->id == frame->id;
    wanted_ = frame;
    wantedSize_ = size;
    if (!sameMoment) {
        failed_ = false;
    }
    if (!frame || !hasPicture(*frame)) {
        // Nothing to decode: what was asked for before no longer counts.
        ++generation_;
        decoding_ = false;
        image_.reset();
    } else {
        requestNeeded();
    }
    emit changed();
}

void MomentPicture::retry() {
    if (!failed_) {
        return;
    }
    failed_ = false;
    requestNeeded();
    emit changed();
}

MomentPicture::Content MomentPicture::content() const {
    if (image_) {
        return Content::image;
    }
    if (!wanted_) {
        return Content::unavailable;
    }
    if (wanted_->imageState == ostrel::ImageState::none) {
        return Content::textOnly;
    }
    return hasPicture(*wanted_) && !failed_ ? Content::loading : Content::unavailable;
}

std::optional<MomentPicture::Request> MomentPicture::needed() const {
    if (!wanted_ || !hasPicture(*wanted_) || failed_) {
        return std::nullopt;
    }
    // A full-size picture of the moment serves a wish for a preview as well.
    if (image_ && imageFrameID_ == wanted_->id &&
        (imageSize_ == wantedSize_ || imageSize_ == FrameImageLoader::Size::full)) {
        return std::nullopt;
    }
    return Request{wanted_->id, *wanted_->segmentPath, *wanted_->segmentIndex, wantedSize_};
}

void MomentPicture::requestNeeded() {
    if (decoding_) {
        return; // the wish is taken up when the running decode is done
    }
    const std::optional<Request> request = needed();
    if (!request) {
        return;
    }
    decoding_ = true;
    const std::uint64_t generation = generation_;
    whenFinished(source_(request->segmentPath, request->index, request->frameID, request->size), this,
                 [this, generation, request = *request](QFuture<std::optional<QImage>> answer) {
                     // A source that failed outright counts as a picture that could not be read.
                     std::optional<QImage> picture =
                         futureOutcome(answer, "Loading the moment's picture").value_or(std::nullopt);
                     answered(generation, request, std::move(picture));
                 });
}

void MomentPicture::answered(std::uint64_t generation, const Request& request,
                             std::optional<QImage> picture) {
    if (generation != generation_) {
        return;
    }
    decoding_ = false;
    if (picture) {
        image_ = std::move(picture);
        imageFrameID_ = request.frameID;
        imageSize_ = request.size;
    } else if (wanted_ && wanted_->id == request.frameID) {
        failed_ = true;
        // A smaller picture of the same moment is still better than none.
        if (image_ && imageFrameID_ != request.frameID) {
            image_.reset();
        }
    }
    requestNeeded();
    emit changed();
}

} // namespace vesperline
