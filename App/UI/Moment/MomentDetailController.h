#pragma once

#include "Runtime/SystemClock.h"
#include "Storage/FrameRecord.h"
#include "Storage/FrameSummary.h"
#include "Store/FrameImageLoader.h"
#include "Support/Rect.h"
#include "UI/Moment/LiveTextAnalyzer.h"
#include "UI/Moment/MomentActions.h"
#include "UI/Timeline/MomentPicture.h"

#include <QFuture>
#include <QImage>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vesperline {

class StoreHub;

// What the view of one moment in full shows and what its buttons do. Given a moment's id and a
// picture size, it reads the moment, then its picture (asking again 2.2 s after a miss while the
// moment is younger than 30 s, three requests at most), then the boxes of the search terms on it;
// with the text panel open it also reads the text recorded in the moment's window. A new id or size
// starts afresh; answers for an earlier one are dropped.
//
// Pictures are decoded one at a time, and while one is decoded only the moment asked for last waits
// (`MomentPicture`), so going quickly through moments queues no stale work; nor does looking for the
// terms, a reading of seconds on a dense screen: a request not begun when another moment is asked
// for is cancelled and never read. A picture that arrives
// for a moment passed over on the way stands in, without boxes, until the moment's own is there.
// A caller that has the moment's summary at hand (the timeline) passes it, and the picture is asked
// for at once, before the moment is read. Main thread only.
class MomentDetailController final : public QObject {
    Q_OBJECT

  public:
    // Decodes one picture (segment path, index in the segment, moment id, size) off the main thread.
    using ImageSource =
        std::function<QFuture<std::optional<QImage>>(const std::string& segmentPath, std::int64_t index,
                                                     std::int64_t frameID, FrameImageLoader::Size size)>;
    // Finds where the terms stand in a picture, off the main thread; a request cancelled before its
    // turn finds nothing and costs no reading.
    using TermBoxes = std::function<QFuture<std::vector<ostrel::Rect>>(
        const QImage& picture, const std::vector<std::string>& terms,
        LiveTextAnalyzer::Cancellation cancelled)>;

    static constexpr int maximumRequests = 3;
    static constexpr double freshSeconds = 30;
    static constexpr std::int64_t textCharacters = 20000;
    static constexpr double textWindowSeconds = 900;
    static constexpr std::chrono::milliseconds defaultRetryDelay{2200};
    static constexpr std::chrono::milliseconds defaultCopiedDuration{1500};

    struct Services {
        StoreHub& hub;
        ImageSource images;
        TermBoxes termBoxes;
        MomentActions actions;
        const ostrel::Clock& clock = systemClock();
        std::chrono::milliseconds retryDelay = defaultRetryDelay;
        std::chrono::milliseconds copiedDuration = defaultCopiedDuration;
    };
    // The application's services: pictures from the loader's cache, terms boxed by the analyzer.
    static Services services(StoreHub& hub, FrameImageLoader& loader, LiveTextAnalyzer& analyzer,
                             MomentActions actions);

    // When the picture cannot be shown, why.
    enum class Notice {
        textOnly,    // the moment was kept as text only
        unavailable, // its picture is no longer kept, or there is no such moment
    };

    explicit MomentDetailController(Services services, QObject* parent = nullptr);
    ~MomentDetailController() override;

    // The moment and the size to decode its picture at; another id or size loads afresh.
    void setMoment(std::int64_t frameID, FrameImageLoader::Size size);
    // The same for a moment whose summary the caller has: its picture is asked for at once.
    void setMoment(const ostrel::FrameSummary& frame, FrameImageLoader::Size size);
    std::int64_t frameID() const { return frameID_; }
    // Search terms to box on the picture; taken by the next load.
    void setTerms(std::vector<std::string> terms) { terms_ = std::move(terms); }
    // Called after the moment was deleted.
    void setOnDeleted(std::function<void()> onDeleted) { onDeleted_ = std::move(onDeleted); }
    // Loads while shown; hiding drops the work under way, and showing again loads again.
    void setShown(bool shown);

    const std::optional<ostrel::FrameRecord>& record() const { return record_; }
    const std::optional<QImage>& image() const { return image_; }
    // The moment the picture shows: another one's stands in while the moment's own is decoded.
    const std::optional<std::int64_t>& imageFrameID() const { return imageFrameID_; }
    const std::vector<ostrel::Rect>& boxes() const { return boxes_; }
    bool loading() const { return loading_; }
    bool showText() const { return showText_; }
    const QString& text() const { return text_; }
    bool copied() const { return copied_; }
    Notice notice() const;
    // The moment's address when it can be opened (`openableLink`).
    std::optional<QUrl> link() const;

    // Opens or closes the text panel; opening reads the text again.
    void toggleText();
    // Puts the moment's window text on the clipboard and confirms it for a moment; a text that
    // cannot be read leaves the clipboard as it was.
    void copyText();
    void openLink();
    void openInTimeline();
    // Deletes the moment given by `setMoment` (already confirmed by the user), then tells `onDeleted`.
    void deleteMoment();

  signals:
    void changed();

  private:
    void choose(std::int64_t frameID, FrameImageLoader::Size size, std::optional<ostrel::FrameSummary> known);
    void load();
    void cancel();
    // Asks for the picture of `frame`, the moment being loaded.
    void startPicture(const ostrel::FrameSummary& frame);
    void retryPicture();
    void pictureChanged();
    void pictureArrived();
    void pictureMissing();
    void readText(std::int64_t frameID);

    Services services_;
    MomentPicture picture_;
    QTimer retryTimer_;
    std::int64_t frameID_ = 0;
    FrameImageLoader::Size size_ = FrameImageLoader::Size::full;
    // The summary of the moment asked for, when the caller gave one.
    std::optional<ostrel::FrameSummary> known_;
    bool hasMoment_ = false;
    bool shown_ = false;
    std::vector<std::string> terms_;
    std::function<void()> onDeleted_;

    std::optional<ostrel::FrameRecord> record_;
    std::optional<QImage> image_;
    std::optional<std::int64_t> imageFrameID_; // the moment `image_` shows
    std::vector<ostrel::Rect> boxes_;
    bool loading_ = true;
    bool showText_ = false;
    QString text_;
    bool copied_ = false;

    // The load under way has asked for its moment's picture and waits for it.
    bool pictureStarted_ = false;
    bool awaitingPicture_ = false;
    ostrel::Time pictureTime_ = 0; // of the moment whose picture is awaited
    int requests_ = 0;
    // Bumped whenever a load stops counting (a new moment or size, hiding); a late answer of an
    // earlier load is recognised by it and dropped. Text reads have their own.
    std::uint64_t generation_ = 0;
    std::uint64_t textGeneration_ = 0;
    // Set once the boxes asked for last are no longer wanted.
    LiveTextAnalyzer::Cancellation boxesRequest_;
};

} // namespace vesperline
