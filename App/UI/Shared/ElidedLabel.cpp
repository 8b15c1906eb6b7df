#include "UI/Shared/ElidedLabel.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>

namespace vesperline {

ElidedLabel::ElidedLabel(Qt::TextElideMode mode, QWidget* parent) : QWidget(parent), mode_(mode) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ElidedLabel::setText(const QString& text) {
    if (text == text_) {
        return;
    }
    text_ = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void ElidedLabel::setMinimumScale(double scale) {
    minimumScale_ = std::clamp(scale, 0.1, 1.0);
    update();
}

QFont ElidedLabel::shownFont() const {
    const double natural = fontMetrics().horizontalAdvance(text_);
    if (minimumScale_ >= 1 || natural <= width()) {
        return font();
    }
    const double scale = std::max(minimumScale_, width() / natural);
    QFont shrunk = font();
    if (font().pointSizeF() > 0) {
        shrunk.setPointSizeF(font().pointSizeF() * scale);
    } else {
        shrunk.setPixelSize(std::max(1, static_cast<int>(font().pixelSize() * scale)));
    }
    return shrunk;
}

QString ElidedLabel::shownText() const {
    return QFontMetrics(shownFont()).elidedText(text_, mode_, width());
}

QSize ElidedLabel::sizeHint() const {
    return {fontMetrics().horizontalAdvance(text_), fontMetrics().height()};
}

QSize ElidedLabel::minimumSizeHint() const {
    return {fontMetrics().horizontalAdvance(QStringLiteral("…")), fontMetrics().height()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(shownFont());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, shownText());
}

void ElidedLabel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
    }
}

} // namespace vesperline
