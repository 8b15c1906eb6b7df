#pragma once

#include "Runtime/SystemClock.h"
#include "UI/Shared/FrameThumbnailController.h"
#include "UI/Shared/ScaledPixmap.h"

#include <QWidget>

namespace vesperline {

class ActivityIndicator;

// A small picture of one moment in a rounded tile of whatever size the caller gives it. The picture
// fills the tile and is cropped by its corners, never letterboxed; until it is there the tile shows
// a spinner, and a text-only moment or a picture that cannot be read shows a glyph instead.
class FrameThumbnail final : public QWidget {
    Q_OBJECT

  public:
    FrameThumbnail(FrameImageLoader& loader, double cornerRadius, const ostrel::Clock& clock = systemClock(),
                   QWidget* parent = nullptr);
    // The same with pictures from another source.
    FrameThumbnail(FrameThumbnailController::ImageSource source, double cornerRadius,
                   const ostrel::Clock& clock = systemClock(),
                   std::chrono::milliseconds retryDelay = FrameThumbnailController::defaultRetryDelay,
                   QWidget* parent = nullptr);

    void setFrame(const ostrel::FrameSummary& frame) { controller_.setFrame(frame); }
    const FrameThumbnailController& controller() const { return controller_; }

    // Where a picture of `picture` size goes to fill `tile`: centred, scaled to cover it.
    static QRectF fillRect(const QSizeF& picture, const QRectF& tile);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void contentChanged();

    double cornerRadius_;
    FrameThumbnailController controller_;
    ActivityIndicator* spinner_;
    ScaledPixmap scaled_;
};

} // namespace vesperline
