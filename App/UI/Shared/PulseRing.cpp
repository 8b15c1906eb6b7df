#include "UI/Shared/PulseRing.h"

#include <QPainter>

#include <cmath>

namespace vesperline {

namespace {

// The ease-out curve of the system's animations: a cubic Bézier through (0, 0), (0.58, 1).
QEasingCurve easeOut() {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0, 0), QPointF(0.58, 1), QPointF(1, 1));
    return curve;
}

constexpr double lineWidth = 2;
// Thirty frames a second look smooth for a ring this small and wake the app half as often as sixty.
constexpr int frameMilliseconds = 33;
constexpr double startOpacity = 0.8;

} // namespace

PulseRing::PulseRing(double dotDiameter, QWidget* parent)
    : QWidget(parent), dotDiameter_(dotDiameter), color_(Theme::green), easing_(easeOut()) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    timer_.setInterval(frameMilliseconds);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

double PulseRing::progress() const {
    if (!animating()) {
        return 0;
    }
    return easing_.valueForProgress(double(clock_.elapsed() % cycleMilliseconds) / cycleMilliseconds);
}

int PulseRing::reservedSide(double dotDiameter) {
    return int(std::ceil(dotDiameter * grownScale));
}

void PulseRing::setColor(const Theme::DynamicColor& color) {
    if (color_ == color) {
        return;
    }
    color_ = color;
    update();
}

QColor PulseRing::strokeColor() const {
    QColor color = color_.resolved(palette());
    color.setAlphaF(0.5f);
    return color;
}

void PulseRing::paintEvent(QPaintEvent*) {
    const double progress = this->progress();
    const double scale = 1 + (grownScale - 1) * progress;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(startOpacity * (1 - progress));
    // The ring is drawn at the dot's size and scaled as a whole, line included, like a layer.
    painter.translate(QRectF(rect()).center());
    painter.scale(scale, scale);
    painter.setPen(QPen(strokeColor(), lineWidth));
    painter.setBrush(Qt::NoBrush);
    const double radius = dotDiameter_ / 2 - lineWidth / 2;
    painter.drawEllipse(QPointF(0, 0), radius, radius);
}

void PulseRing::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!animating()) {
        clock_.start();
        timer_.start();
    }
}

void PulseRing::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    timer_.stop();
}

} // namespace vesperline
