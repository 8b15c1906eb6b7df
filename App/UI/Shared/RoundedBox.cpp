#include "UI/Shared/RoundedBox.h"

#include <QPainter>
#include <QPainterPath>

namespace vesperline {

RoundedBox::RoundedBox(double radius, Fill fill, bool outlined, QWidget* parent)
    : QWidget(parent), radius_(radius), fill_(std::move(fill)), outlined_(outlined) {}

void RoundedBox::setFill(Fill fill) {
    fill_ = std::move(fill);
    update();
}

RoundedBox::Fill RoundedBox::level(Theme::Level level, double opacity) {
    return [level, opacity](const QPalette& palette) {
        QColor color = Theme::textColor(palette, level);
        color.setAlphaF(float(color.alphaF() * opacity));
        return QBrush(color);
    };
}

void RoundedBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (fill_) {
        QPainterPath ground;
        ground.addRoundedRect(QRectF(rect()), radius_, radius_);
        painter.fillPath(ground, fill_(palette()));
    }
    if (outlined_) {
        painter.setPen(QPen(Theme::separator(palette()), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius_ - 0.5, radius_ - 0.5);
    }
}

} // namespace vesperline
