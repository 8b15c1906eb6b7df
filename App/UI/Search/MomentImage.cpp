#include "UI/Search/MomentImage.h"

#include "UI/Moment/MomentCanvasGeometry.h"
#include "UI/Shared/ActivityIndicator.h"
#include "UI/Theme/Symbols.h"
#include "UI/Theme/Theme.h"

#include <QBoxLayout>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace vesperline {

MomentImage::MomentImage(MomentPicture::Source source, const ostrel::Clock& clock,
                         std::chrono::milliseconds retryDelay, QWidget* parent)
    : QWidget(parent),
      controller_([this, source = std::move(source)](
                      const std::string& segmentPath, std::int64_t index,
                      std::int64_t frameID) { return source(segmentPath, index, frameID, size_); },
                  clock, retryDelay) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* stack = new QVBoxLayout(this);
    spinner_ = new ActivityIndicator(20, this);
    spinner_->setObjectName("momentImageSpinner");
    stack->addWidget(spinner_, 0, Qt::AlignCenter);

    notice_ = new QWidget(this);
    notice_->setObjectName("momentImageNotice");
    auto* notice = new QVBoxLayout(notice_);
    notice->setSpacing(6);
    noticeSymbol_ = new QLabel(notice_);
    notice->addWidget(noticeSymbol_, 0, Qt::AlignHCenter);
    noticeText_ = new QLabel(notice_);
    noticeText_->setObjectName("momentImageNoticeText");
    Theme::applyText(noticeText_, Theme::TextStyle::caption, Theme::Level::secondary);
    notice->addWidget(noticeText_, 0, Qt::AlignHCenter);
    stack->addWidget(notice_, 0, Qt::AlignCenter);

    connect(&controller_, &FrameThumbnailController::changed, this, &MomentImage::contentChanged);
    contentChanged();
}

void MomentImage::setMoment(const ostrel::FrameSummary& frame, FrameImageLoader::Size size) {
    const bool sameMoment = controller_.frame() && controller_.frame()->id == frame.id;
    const bool resized = size != size_;
    size_ = size;
    controller_.setFrame(frame);
    if (sameMoment && resized) {
        controller_.reload();
    }
}

void MomentImage::setCornerRadius(double radius) {
    cornerRadius_ = radius;
    update();
}

void MomentImage::contentChanged() {
    const FrameThumbnailController::Content content = controller_.content();
    spinner_->setVisible(content == FrameThumbnailController::Content::loading);
    const bool noticed = content == FrameThumbnailController::Content::textOnly ||
                         content == FrameThumbnailController::Content::unavailable;
    notice_->setVisible(noticed);
    if (noticed) {
        const bool textOnly = content == FrameThumbnailController::Content::textOnly;
        noticeText_->setText(textOnly ? tr("Text only — no image was saved") : tr("Image no longer kept"));
        const QString symbol = textOnly ? QStringLiteral("text.alignleft") : QStringLiteral("eye.slash");
        if (symbol != noticeSymbolName_) {
            noticeSymbolName_ = symbol;
            drawNoticeSymbol();
        }
    }
    update();
}

void MomentImage::drawNoticeSymbol() {
    const int side = QFontMetrics(Theme::font(Theme::TextStyle::title2)).height();
    noticeSymbol_->setPixmap(Symbols::pixmap(
        noticeSymbolName_, side, Theme::textColor(palette(), Theme::Level::tertiary), devicePixelRatioF()));
}

void MomentImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath shape;
    if (cornerRadius_ > 0) {
        painter.setRenderHint(QPainter::Antialiasing);
        shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius_, cornerRadius_);
        painter.setClipPath(shape);
    }
    painter.fillRect(rect(), Theme::pictureBackdrop);
    if (controller_.content() == FrameThumbnailController::Content::image) {
        const QImage& picture = *controller_.image();
        const QRectF target = MomentCanvasGeometry::fitted(picture.size(), QRectF(rect()));
        painter.drawPixmap(target.topLeft(), scaled_.of(picture, target.size(), devicePixelRatioF()));
    }
    if (cornerRadius_ > 0) {
        painter.setClipping(false);
        painter.setPen(QPen(Theme::separator(palette()), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(shape);
    }
}

void MomentImage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    controller_.setShown(true);
}

void MomentImage::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    controller_.setShown(false);
}

void MomentImage::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && !noticeSymbolName_.isEmpty()) {
        drawNoticeSymbol();
    }
}

} // namespace vesperline
