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
    naturalWidth_.reset();
    setAccessibleName(text);
    updateGeometry();
    update();
}

void ElidedLabel::setMinimumScale(double scale) {
    minimumScale_ = std::clamp(scale, 0.1, 1.0);
    update();
}

int ElidedLabel::naturalWidth() const {
    // Layouts ask for the size hint whenever anything near changes; measuring shapes the text.
    if (!naturalWidth_) {
        naturalWidth_ = fontMetrics().horizontalAdvance(text_);
    }
    return *naturalWidth_;
}

QFont ElidedLabel::shownFont() const {
    const double natural = naturalWidth();
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
    return {naturalWidth(), fontMetrics().height()};
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
        naturalWidth_.reset();
        updateGeometry();
    }
}

} // namespace vesperline
