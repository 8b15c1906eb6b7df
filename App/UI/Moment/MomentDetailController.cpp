#include "UI/Moment/MomentDetailController.h"

#include "Runtime/WhenFinished.h"
#include "Store/FutureOutcome.h"
#include "Store/StoreHub.h"
#include "UI/Moment/LiveTextAnalyzer.h"
#include "UI/Shared/OpenableLink.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPointer>

namespace vesperline {

MomentDetailController::Services MomentDetailController::services(StoreHub& hub, FrameImageLoader& loader,
                                                                  LiveTextAnalyzer& analyzer,
                                                                  MomentActions actions) {
    return {
        .hub = hub,
        .images =
            [&loader](const std::string& segmentPath, std::int64_t index, std::int64_t frameID,
                      FrameImageLoader::Size size) {
                return loader.imageAsync(segmentPath, index, frameID, size);
            },
        .termBoxes =
            [&analyzer](const QImage& picture, const std::vector<std::string>& terms,
                        LiveTextAnalyzer::Cancellation cancelled) {
                return analyzer.highlightBoxes(picture, terms, std::move(cancelled));
            },
        .actions = std::move(actions),
    };
}

MomentDetailController::MomentDetailController(Services services, QObject* parent)
    : QObject(parent), services_(std::move(services)), picture_(services_.images) {
    retryTimer_.setSingleShot(true);
    retryTimer_.setInterval(services_.retryDelay);
    connect(&retryTimer_, &QTimer::timeout, this, &MomentDetailController::retryPicture);
    connect(&picture_, &MomentPicture::changed, this, &MomentDetailController::pictureChanged);
}

MomentDetailController::~MomentDetailController() {
    cancel();
}

void MomentDetailController::setMoment(std::int64_t frameID, FrameImageLoader::Size size) {
    choose(frameID, size, std::nullopt);
}

void MomentDetailController::setMoment(const ostrel::FrameSummary& frame, FrameImageLoader::Size size) {
    choose(frame.id, size, frame);
}

void MomentDetailController::choose(std::int64_t frameID, FrameImageLoader::Size size,
                                    std::optional<ostrel::FrameSummary> known) {
    if (hasMoment_ && frameID == frameID_ && size == size_) {
        return;
    }
    hasMoment_ = true;
    frameID_ = frameID;
    size_ = size;
    known_ = std::move(known);
    if (shown_) {
        load();
    }
}

void MomentDetailController::setShown(bool shown) {
    if (shown_ == shown) {
        return;
    }
    shown_ = shown;
    if (!shown) {
        cancel();
        loading_ = false;
        emit changed();
    } else if (hasMoment_) {
        load();
    }
}

MomentDetailController::Notice MomentDetailController::notice() const {
    return record_ && record_->imageState == ostrel::ImageState::none ? Notice::textOnly
                                                                      : Notice::unavailable;
}

std::optional<QUrl> MomentDetailController::link() const {
    return record_ ? openableLink(record_->url) : std::nullopt;
}

void MomentDetailController::cancel() {
    ++generation_;
    if (boxesRequest_) {
        boxesRequest_->store(true);
        boxesRequest_.reset();
    }
    retryTimer_.stop();
    pictureStarted_ = false;
    awaitingPicture_ = false;
}

void MomentDetailController::load() {
    cancel();
    loading_ = true;
    emit changed();
    const std::uint64_t generation = generation_;
    const std::int64_t id = frameID_;
    whenFinished(services_.hub.readAsync([id](ostrel::MemoryStore& store) { return store.frame(id); }), this,
                 [this, generation](const QFuture<std::optional<ostrel::FrameRecord>>& answer) {
                     if (generation != generation_) {
                         return;
                     }
                     const std::optional<ostrel::FrameRecord> read =
                         futureOutcome(answer, "Reading the moment").value_or(std::nullopt);
                     if (!read) {
                         awaitingPicture_ = false;
                         picture_.setMoment(std::nullopt, size_);
                         record_.reset();
                         image_.reset();
                         imageFrameID_.reset();
                         loading_ = false;
                         emit changed();
                         return;
                     }
                     if (!record_ || record_->id != read->id) {
                         boxes_.clear(); // never an earlier moment's boxes over this one's picture
                     }
                     record_ = read;
                     emit changed();
                     if (showText_) {
                         readText(read->id);
                     }
                     if (!pictureStarted_) {
                         ostrel::FrameSummary pictured;
                         pictured.id = read->id;
                         pictured.timestamp = read->timestamp;
                         pictured.imageState = read->imageState;
                         pictured.segmentPath = read->segmentPath;
                         pictured.segmentIndex = read->segmentIndex;
                         startPicture(pictured);
                     }
                 });
    if (known_ && known_->id == frameID_) {
        startPicture(*known_);
    }
}

void MomentDetailController::startPicture(const ostrel::FrameSummary& frame) {
    pictureStarted_ = true;
    pictureTime_ = frame.timestamp;
    requests_ = 1;
    // The picture's state is taken once the wish is set; a new load asks again for a picture that
    // could not be read before.
    awaitingPicture_ = false;
    picture_.setMoment(frame, size_);
    picture_.retry();
    awaitingPicture_ = true;
    pictureChanged();
}

void MomentDetailController::retryPicture() {
    ++requests_;
    awaitingPicture_ = false;
    picture_.retry();
    awaitingPicture_ = true;
    pictureChanged();
}

void MomentDetailController::pictureChanged() {
    if (!awaitingPicture_) {
        return;
    }
    const std::optional<std::int64_t> pictured = picture_.imageFrameID();
    if (pictured != imageFrameID_) {
        boxes_.clear(); // boxes belong to the picture they were found on
    }
    image_ = picture_.image();
    imageFrameID_ = pictured;
    const MomentPicture::Content content = picture_.content();
    // Until the moment's own picture at the size asked for is there, another moment's picture, or a
    // smaller one of this moment, stands in.
    const bool arrived =
        content == MomentPicture::Content::image && pictured == frameID_ &&
        (picture_.imageSize() == size_ || picture_.imageSize() == FrameImageLoader::Size::full);
    if (arrived) {
        pictureArrived();
    } else if (picture_.failed() || content == MomentPicture::Content::textOnly ||
               content == MomentPicture::Content::unavailable) {
        pictureMissing();
    } else {
        emit changed();
    }
}

void MomentDetailController::pictureArrived() {
    awaitingPicture_ = false;
    retryTimer_.stop();
    if (terms_.empty()) {
        boxes_.clear();
        loading_ = false;
        emit changed();
        return;
    }
    emit changed();
    const std::uint64_t generation = generation_;
    if (boxesRequest_) {
        boxesRequest_->store(true);
    }
    boxesRequest_ = std::make_shared<std::atomic<bool>>(false);
    whenFinished(
        services_.termBoxes(*image_, terms_, boxesRequest_), this,
        [this, generation](const QFuture<std::vector<ostrel::Rect>>& answer) {
            if (generation != generation_) {
                return;
            }
            boxes_ = futureOutcome(answer, "Finding the search terms").value_or(std::vector<ostrel::Rect>{});
            loading_ = false;
            emit changed();
        });
}

void MomentDetailController::pictureMissing() {
    // A moment this young may still sit in a segment being written: ask again a little later.
    if (requests_ < maximumRequests && services_.clock.now() - pictureTime_ <= freshSeconds) {
        if (!retryTimer_.isActive()) {
            retryTimer_.start();
        }
        emit changed();
        return;
    }
    awaitingPicture_ = false;
    if (imageFrameID_ != frameID_) {
        // A smaller picture of the moment is still better than none; another moment's is not.
        image_.reset();
        imageFrameID_.reset();
    }
    boxes_.clear();
    loading_ = false;
    emit changed();
}

void MomentDetailController::readText(std::int64_t frameID) {
    const std::uint64_t generation = ++textGeneration_;
    whenFinished(services_.hub.readAsync([frameID](ostrel::MemoryStore& store) {
        return store.contextText(frameID, textCharacters, textWindowSeconds);
    }),
                 this, [this, generation](const QFuture<std::string>& answer) {
                     if (generation != textGeneration_) {
                         return;
                     }
                     text_ = QString::fromStdString(
                         futureOutcome(answer, "Reading the moment's text").value_or(std::string()));
                     emit changed();
                 });
}

void MomentDetailController::toggleText() {
    showText_ = !showText_;
    emit changed();
    if (showText_ && record_) {
        readText(record_->id);
    }
}

void MomentDetailController::copyText() {
    if (!record_) {
        return;
    }
    const std::int64_t id = record_->id;
    whenFinished(services_.hub.readAsync([id](ostrel::MemoryStore& store) {
        return store.contextText(id, textCharacters, textWindowSeconds);
    }),
                 this, [this](const QFuture<std::string>& answer) {
                     // A text that could not be read is not copied: the clipboard keeps what the user had
                     // on it, and nothing claims a copy.
                     const std::optional<std::string> text =
                         futureOutcome(answer, "Copying the moment's text");
                     if (!text) {
                         return;
                     }
                     QGuiApplication::clipboard()->setText(QString::fromStdString(*text));
                     copied_ = true;
                     emit changed();
                     // Each copy has its own timer: a second copy does not lengthen the first.
                     QTimer::singleShot(services_.copiedDuration, this, [this] {
                         copied_ = false;
                         emit changed();
                     });
                 });
}

void MomentDetailController::openLink() {
    if (const std::optional<QUrl> url = link(); url && services_.actions.openURL) {
        services_.actions.openURL(*url);
    }
}

void MomentDetailController::openInTimeline() {
    if (record_ && services_.actions.openTimeline) {
        services_.actions.openTimeline(record_->id, record_->timestamp);
    }
}

void MomentDetailController::deleteMoment() {
    if (!hasMoment_ || !services_.actions.deleteFrames) {
        return;
    }
    // The moment asked for, even while the one shown is still the one before it.
    services_.actions.deleteFrames({frameID_}, [self = QPointer<MomentDetailController>(this)] {
        if (self && self->onDeleted_) {
            self->onDeleted_();
        }
    });
}

} // namespace vesperline
