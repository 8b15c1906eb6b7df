#pragma once

#include "Storage/FrameSummary.h"
#include "Store/FrameImageLoader.h"

#include <QFuture>
#include <QImage>
#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vesperline {

// The picture of the moment the moment view shows, made for going through moments quickly (the
// timeline while the user scrubs or replays, a list whose selection runs down). One decode runs at a
// time; meanwhile only the moment asked for last is remembered and decoded next, so a fast scrub
// never queues up stale work. A picture that
// arrives for a moment passed over on the way is still shown, so the picture keeps up with the
// pointer, and the previous picture stays until the next one is there. Main thread only.
class MomentPicture final : public QObject {
    Q_OBJECT

  public:
    // Decodes one picture (segment path, index in the segment, moment id, size) off the main thread;
    // no picture when it cannot be read.
    using Source =
        std::function<QFuture<std::optional<QImage>>(const std::string& segmentPath, std::int64_t index,
                                                     std::int64_t frameID, FrameImageLoader::Size size)>;

    enum class Content {
        image,       // a picture: the moment's, or the one before while the moment's is on its way
        textOnly,    // a moment kept without a picture
        loading,     // nothing to show yet
        unavailable, // no moment, or its picture could not be read, was dropped or never kept
    };

    explicit MomentPicture(Source source, QObject* parent = nullptr);

    // Pictures from the loader, from its cache when it has them.
    static Source from(FrameImageLoader& loader);

    // Shows `frame` at `size`; none shows nothing.
    void setMoment(const std::optional<ostrel::FrameSummary>& frame, FrameImageLoader::Size size);
    // Asks again for the wished moment's picture after it could not be read (a moment whose segment
    // is still being written may be readable a little later).
    void retry();

    Content content() const;
    // Whether the wished moment's picture could not be read (a smaller one of it may still show).
    bool failed() const { return failed_; }
    const std::optional<QImage>& image() const { return image_; }
    // The moment and size of the picture shown.
    std::optional<std::int64_t> imageFrameID() const {
        return image_ ? std::optional(imageFrameID_) : std::nullopt;
    }
    FrameImageLoader::Size imageSize() const { return imageSize_; }

  signals:
    void changed();

  private:
    struct Request {
        std::int64_t frameID;
        std::string segmentPath;
        std::int64_t index;
        FrameImageLoader::Size size;
    };

    // The decode the wished moment needs, if any.
    std::optional<Request> needed() const;
    void requestNeeded();
    void answered(std::uint64_t generation, const Request& request, std::optional<QImage> picture);

    Source source_;
    std::optional<ostrel::FrameSummary> wanted_;
    FrameImageLoader::Size wantedSize_ = FrameImageLoader::Size::full;
    std::optional<QImage> image_;
    std::int64_t imageFrameID_ = 0;
    FrameImageLoader::Size imageSize_ = FrameImageLoader::Size::full;
    bool failed_ = false; // the wished moment's picture could not be read
    bool decoding_ = false;
    // Bumped when the picture is cleared, so an answer asked for before is dropped.
    std::uint64_t generation_ = 0;
};

} // namespace vesperline
