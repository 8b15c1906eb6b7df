#pragma once

#include "Runtime/SystemClock.h"
#include "Storage/FrameSummary.h"
#include "Store/FrameImageLoader.h"
#include "UI/Shared/FrameThumbnailController.h"
#include "UI/Shared/ScaledPixmap.h"
#include "UI/Timeline/MomentPicture.h"

#include <QWidget>

#include <chrono>

class QLabel;

namespace vesperline {

class ActivityIndicator;

// The stored picture of one moment at a requested size, whole and centred on a faint backdrop: a
// spinner while it loads, and a notice when there is none to show ("Text only — no image was
// saved" for a text-only moment, "Image no longer kept" otherwise). A moment younger than 30 s is
// asked for again 2.2 s after a miss, three requests at most; another moment or size starts afresh,
// and an answer for the one before is dropped.
class MomentImage final : public QWidget {
    Q_OBJECT

  public:
    // Pictures at a size (`MomentPicture::from` the app's frame image loader).
    MomentImage(MomentPicture::Source source, const ostrel::Clock& clock = systemClock(),
                std::chrono::milliseconds retryDelay = FrameThumbnailController::defaultRetryDelay,
                QWidget* parent = nullptr);

    void setMoment(const ostrel::FrameSummary& frame, FrameImageLoader::Size size);
    // Clips the picture and its backdrop to a rounded rectangle with a hairline edge in the
    // separator colour; 0 (the default) draws a plain rectangle without an edge.
    void setCornerRadius(double radius);
    const FrameThumbnailController& controller() const { return controller_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void contentChanged();
    void drawNoticeSymbol();

    FrameImageLoader::Size size_ = FrameImageLoader::Size::preview;
    double cornerRadius_ = 0;
    FrameThumbnailController controller_;
    ScaledPixmap scaled_;
    ActivityIndicator* spinner_;
    QWidget* notice_;
    QLabel* noticeSymbol_;
    QLabel* noticeText_;
    QString noticeSymbolName_;
};

} // namespace vesperline
