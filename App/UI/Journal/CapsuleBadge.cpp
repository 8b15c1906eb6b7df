#include "UI/Journal/CapsuleBadge.h"

#include "UI/Theme/Theme.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace vesperline {

namespace {

constexpr int horizontalPadding = 6;
constexpr int verticalPadding = 2;

} // namespace

CapsuleBadge::CapsuleBadge(const QString& text, QWidget* parent) : QWidget(parent), text_(text) {
    Theme::applyText(this, Theme::TextStyle::caption2, Theme::Level::secondary);
    setAccessibleName(text);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize CapsuleBadge::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    return {metrics.horizontalAdvance(text_) + 2 * horizontalPadding, metrics.height() + 2 * verticalPadding};
}

void CapsuleBadge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor ground = Theme::textColor(palette(), Theme::Level::quaternary);
    ground.setAlphaF(ground.alphaF() * 0.5f);
    painter.fillPath(Theme::capsule(QRectF(rect())), ground);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignCenter, text_);
}

void CapsuleBadge::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
    }
}

} // namespace vesperline
