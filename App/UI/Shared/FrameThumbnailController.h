#pragma once

#include "Storage/FrameSummary.h"
#include "Support/Time.h"

#include <QFuture>
#include <QImage>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vesperline {

class FrameImageLoader;

// What a frame thumbnail shows and how its picture gets there. The picture of a moment is asked for
// when the thumbnail is shown or given another moment; a moment younger than 30 s, whose segment may
// still be being written, is asked for again 2.2 s after each failed request, at most three requests
// in all. An answer for a moment the thumbnail no longer shows, or that arrives after it was hidden,
// is dropped. Main thread only.
class FrameThumbnailController final : public QObject {
    Q_OBJECT

  public:
    // Decodes one picture (segment path, index in the segment, moment id) off the main thread; no
    // picture when it cannot be read.
    using ImageSource = std::function<QFuture<std::optional<QImage>>(
        const std::string& segmentPath, std::int64_t index, std::int64_t frameID)>;

    enum class Content {
        image,       // the picture
        textOnly,    // a moment kept without a picture
        loading,     // the picture is on its way
        unavailable, // it could not be read, or was dropped or never kept
    };

    static constexpr int maximumRequests = 3;
    static constexpr double freshSeconds = 30;
    static constexpr std::chrono::milliseconds defaultRetryDelay{2200};

    FrameThumbnailController(ImageSource source, const ostrel::Clock& clock,
                             std::chrono::milliseconds retryDelay = defaultRetryDelay,
                             QObject* parent = nullptr);

    // Thumbnail-sized pictures from the loader, from its cache when it has them.
    static ImageSource thumbnails(FrameImageLoader& loader);

    // Shows `frame`; another moment than the one shown clears the picture and starts afresh.
    void setFrame(const ostrel::FrameSummary& frame);
    const std::optional<ostrel::FrameSummary>& frame() const { return frame_; }
    // Loads while shown; hiding drops the work under way (and a later showing asks again).
    void setShown(bool shown);
    // Drops the picture and asks for it afresh, for a source that now gives another (a new size).
    void reload();

    Content content() const;
    const std::optional<QImage>& image() const { return image_; }
    bool failed() const { return failed_; }

  signals:
    void changed();

  private:
    void load();
    void request();
    void answered(std::optional<QImage> picture);
    void cancel();

    ImageSource source_;
    const ostrel::Clock& clock_;
    QTimer retryTimer_;
    std::optional<ostrel::FrameSummary> frame_;
    std::optional<QImage> image_;
    bool failed_ = false;
    bool shown_ = false;
    bool loading_ = false;
    int requests_ = 0;
    // Bumped whenever work under way stops counting, so its late answer is recognised and dropped.
    std::uint64_t generation_ = 0;
};

} // namespace vesperline
