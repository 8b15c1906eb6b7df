#include "UI/Moment/MomentDetailController.h"

#include "Runtime/WhenFinished.h"
#include "Store/FutureOutcome.h"
#include "Store/StoreHub.h"
#include "UI/Moment/LiveTextAnalyzer.h"

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
            [&analyzer](const QImage& picture, const std::vector<std::string>& terms) {
                return analyzer.highlightBoxes(picture, terms);
            },
        .actions = std::move(actions),
    };
}

MomentDetailController::MomentDetailController(Services services, QObject* parent)
    : QObject(parent), services_(std::move(services)) {
    retryTimer_.setSingleShot(true);
    retryTimer_.setInterval(services_.retryDelay);
    connect(&retryTimer_, &QTimer::timeout, this, &MomentDetailController::requestPicture);
}

void MomentDetailController::setMoment(std::int64_t frameID, FrameImageLoader::Size size) {
    if (hasMoment_ && frameID == frameID_ && size == size_) {
        return;
    }
    hasMoment_ = true;
    frameID_ = frameID;
    size_ = size;
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

std::optional<QUrl> MomentDetailController::openableLink(const std::optional<std::string>& address) {
    if (!address) {
        return std::nullopt;
    }
    const QUrl url(QString::fromStdString(*address), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) {
        return std::nullopt;
    }
    // The web's two schemes exactly: "httpx:" or "http-evil:" are not web links, and a recorded
    // file address is not opened, as the desktop's handler might run what it names.
    const QString scheme = url.scheme();
    if (scheme.compare(QLatin1String("http"), Qt::CaseInsensitive) == 0 ||
        scheme.compare(QLatin1String("https"), Qt::CaseInsensitive) == 0) {
        return url;
    }
    return std::nullopt;
}

std::optional<QUrl> MomentDetailController::link() const {
    return record_ ? openableLink(record_->url) : std::nullopt;
}

void MomentDetailController::cancel() {
    ++generation_;
    retryTimer_.stop();
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
                         record_.reset();
                         image_.reset();
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
                     requests_ = 0;
                     requestPicture();
                 });
}

void MomentDetailController::requestPicture() {
    ++requests_;
    const ostrel::FrameRecord& moment = *record_;
    if (moment.imageState != ostrel::ImageState::segment || !moment.segmentPath || !moment.segmentIndex) {
        pictureAnswered(std::nullopt);
        return;
    }
    const std::uint64_t generation = generation_;
    whenFinished(services_.images(*moment.segmentPath, *moment.segmentIndex, moment.id, size_), this,
                 [this, generation](const QFuture<std::optional<QImage>>& answer) {
                     if (generation == generation_) {
                         pictureAnswered(
                             futureOutcome(answer, "Loading the moment's picture").value_or(std::nullopt));
                     }
                 });
}

void MomentDetailController::pictureAnswered(std::optional<QImage> picture) {
    // A moment this young may still sit in a segment being written: ask again a little later.
    if (!picture && requests_ < maximumRequests &&
        services_.clock.now() - record_->timestamp <= freshSeconds) {
        retryTimer_.start();
        return;
    }
    if (!picture) {
        image_.reset();
        boxes_.clear();
        loading_ = false;
        emit changed();
        return;
    }
    image_ = std::move(picture);
    if (terms_.empty()) {
        boxes_.clear();
        loading_ = false;
        emit changed();
        return;
    }
    emit changed();
    const std::uint64_t generation = generation_;
    whenFinished(
        services_.termBoxes(*image_, terms_), this,
        [this, generation](const QFuture<std::vector<ostrel::Rect>>& answer) {
            if (generation != generation_) {
                return;
            }
            boxes_ = futureOutcome(answer, "Finding the search terms").value_or(std::vector<ostrel::Rect>{});
            loading_ = false;
            emit changed();
        });
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
