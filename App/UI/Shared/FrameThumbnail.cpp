#include "UI/Shared/FrameThumbnail.h"

#include "UI/Shared/ActivityIndicator.h"
#include "UI/Theme/Symbols.h"
#include "UI/Theme/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace vesperline {

FrameThumbnail::FrameThumbnail(FrameImageLoader& loader, double cornerRadius, const ostrel::Clock& clock,
                               QWidget* parent)
    : FrameThumbnail(FrameThumbnailController::thumbnails(loader), cornerRadius, clock,
                     FrameThumbnailController::defaultRetryDelay, parent) {}

FrameThumbnail::FrameThumbnail(FrameThumbnailController::ImageSource source, double cornerRadius,
                               const ostrel::Clock& clock, std::chrono::milliseconds retryDelay,
                               QWidget* parent)
    : QWidget(parent), cornerRadius_(cornerRadius), controller_(std::move(source), clock, retryDelay),
      spinner_(new ActivityIndicator(16, this)) {
    spinner_->setObjectName("thumbnailSpinner");
    spinner_->hide();
    connect(&controller_, &FrameThumbnailController::changed, this, &FrameThumbnail::contentChanged);
}

QRectF FrameThumbnail::fillRect(const QSizeF& picture, const QRectF& tile) {
    if (picture.isEmpty() || tile.isEmpty()) {
        return tile;
    }
    QRectF covered(QPointF(), picture.scaled(tile.size(), Qt::KeepAspectRatioByExpanding));
    covered.moveCenter(tile.center());
    return covered;
}

void FrameThumbnail::contentChanged() {
    spinner_->setVisible(controller_.content() == FrameThumbnailController::Content::loading);
    update();
}

void FrameThumbnail::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF tile(rect());
    QPainterPath clip;
    clip.addRoundedRect(tile, cornerRadius_, cornerRadius_);
    painter.setClipPath(clip);
    QColor ground = Theme::textColor(palette(), Theme::Level::quaternary);
    ground.setAlphaF(ground.alphaF() * 0.4f);
    painter.fillRect(tile, ground);

    QString glyph;
    switch (controller_.content()) {
    case FrameThumbnailController::Content::image: {
        const QImage& picture = *controller_.image();
        const QRectF target = fillRect(picture.size(), tile);
        painter.drawPixmap(target.topLeft(), scaled_.of(picture, target.size(), devicePixelRatioF()));
        return;
    }
    case FrameThumbnailController::Content::textOnly:
        glyph = "text.alignleft";
        break;
    case FrameThumbnailController::Content::unavailable:
        glyph = "photo.badge.exclamationmark";
        break;
    case FrameThumbnailController::Content::loading:
        return;
    }
    const int side = QFontMetrics(Theme::font(Theme::TextStyle::body)).height();
    const QPixmap pixmap = Symbols::pixmap(glyph, side, Theme::textColor(palette(), Theme::Level::tertiary),
                                           devicePixelRatioF());
    painter.drawPixmap(QPointF(tile.center().x() - side / 2.0, tile.center().y() - side / 2.0), pixmap);
}

void FrameThumbnail::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    QRect spinner(QPoint(), spinner_->sizeHint());
    spinner.moveCenter(rect().center());
    spinner_->setGeometry(spinner);
}

void FrameThumbnail::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    controller_.setShown(true);
}

void FrameThumbnail::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    controller_.setShown(false);
}

} // namespace vesperline
