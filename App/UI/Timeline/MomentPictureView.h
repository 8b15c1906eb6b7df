#pragma once

#include "UI/Shared/ScaledPixmap.h"
#include "UI/Timeline/MomentPicture.h"

#include <QWidget>

namespace vesperline {

class ActivityIndicator;

// The picture of the shown moment, whole and centred in the room there is; a spinner until the
// first picture is there, a glyph for a moment without a picture or one that cannot be read.
class MomentPictureView final : public QWidget {
    Q_OBJECT

  public:
    explicit MomentPictureView(MomentPicture::Source source, QWidget* parent = nullptr);

    void setMoment(const std::optional<ostrel::FrameSummary>& frame, FrameImageLoader::Size size) {
        picture_.setMoment(frame, size);
    }
    const MomentPicture& picture() const { return picture_; }

    // Where a picture of `picture` size goes in `area`: as large as fits, centred.
    static QRectF fitRect(const QSizeF& picture, const QRectF& area);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void contentChanged();

    MomentPicture picture_;
    ActivityIndicator* spinner_;
    ScaledPixmap scaled_;
};

} // namespace vesperline
