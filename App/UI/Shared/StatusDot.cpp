#include "UI/Shared/StatusDot.h"

#include "UI/Shared/PulseRing.h"

#include <QPainter>

namespace vesperline {

StatusDot::StatusDot(const Theme::DynamicColor& color, bool pulsing, QWidget* parent)
    : QWidget(parent), color_(color), pulsing_(pulsing), ring_(new PulseRing(diameter, this)) {
    setObjectName("statusDot");
    ring_->setObjectName("pulseRing");
    ring_->setColor(color);
    ring_->setVisible(pulsing);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void StatusDot::setColor(const Theme::DynamicColor& color) {
    color_ = color;
    ring_->setColor(color);
    update();
}

void StatusDot::setPulsing(bool pulsing) {
    pulsing_ = pulsing;
    ring_->setVisible(pulsing);
}

QColor StatusDot::fillColor() const {
    return color_.resolved(palette());
}

QRectF StatusDot::dotRect() const {
    QRectF dot(0, 0, diameter, diameter);
    dot.moveCenter(QRectF(rect()).center());
    return dot;
}

QSize StatusDot::sizeHint() const {
    const int side = PulseRing::reservedSide(diameter);
    return {side, side};
}

void StatusDot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fillColor());
    painter.drawEllipse(dotRect());
}

void StatusDot::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ring_->setGeometry(rect());
}

} // namespace vesperline
