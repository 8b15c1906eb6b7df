#include "UI/Timeline/MomentPictureView.h"

#include "UI/Shared/ActivityIndicator.h"
#include "UI/Theme/Symbols.h"
#include "UI/Theme/Theme.h"

#include <QPainter>

namespace vesperline {

MomentPictureView::MomentPictureView(MomentPicture::Source source, QWidget* parent)
    : QWidget(parent), picture_(std::move(source)), spinner_(new ActivityIndicator(16, this)) {
    spinner_->setObjectName("momentPictureSpinner");
    spinner_->hide();
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    connect(&picture_, &MomentPicture::changed, this, &MomentPictureView::contentChanged);
}

QRectF MomentPictureView::fitRect(const QSizeF& picture, const QRectF& area) {
    if (picture.isEmpty() || area.isEmpty()) {
        return area;
    }
    QRectF fitted(QPointF(), picture.scaled(area.size(), Qt::KeepAspectRatio));
    fitted.moveCenter(area.center());
    return fitted;
}

void MomentPictureView::contentChanged() {
    spinner_->setVisible(picture_.content() == MomentPicture::Content::loading);
    update();
}

void MomentPictureView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF area(rect());
    QString glyph;
    switch (picture_.content()) {
    case MomentPicture::Content::image: {
        const QImage& image = *picture_.image();
        const QRectF target = fitRect(image.size(), area);
        painter.drawPixmap(target.topLeft(), scaled_.of(image, target.size(), devicePixelRatioF()));
        return;
    }
    case MomentPicture::Content::textOnly:
        glyph = "text.alignleft";
        break;
    case MomentPicture::Content::unavailable:
        glyph = "photo.badge.exclamationmark";
        break;
    case MomentPicture::Content::loading:
        return;
    }
    const int side = 2 * QFontMetrics(Theme::font(Theme::TextStyle::title)).height();
    const QPixmap pixmap = Symbols::pixmap(glyph, side, Theme::textColor(palette(), Theme::Level::tertiary),
                                           devicePixelRatioF());
    painter.drawPixmap(QPointF(area.center().x() - side / 2.0, area.center().y() - side / 2.0), pixmap);
}

void MomentPictureView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    QRect spinner(QPoint(), spinner_->sizeHint());
    spinner.moveCenter(rect().center());
    spinner_->setGeometry(spinner);
}

} // namespace vesperline
