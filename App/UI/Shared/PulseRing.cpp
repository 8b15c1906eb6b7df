#include "UI/Shared/PulseRing.h"

#include "Platform/WindowPixels.h"
#include "UI/Shared/WindowSurface.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>
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
constexpr double startOpacity = 0.8;

} // namespace

PulseRing::PulseRing(double dotDiameter, QWidget* parent)
    : QWidget(parent), dotDiameter_(dotDiameter), color_(Theme::green), easing_(easeOut()) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    timer_.setSingleShot(true);
    // A coarse timer may fire before the picture is due, and wake the program twice for it.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &PulseRing::step);
}

const std::array<int, PulseRing::framesPerCycle>& PulseRing::frameTimes() {
    static const std::array<int, framesPerCycle> times = [] {
        const QEasingCurve curve = easeOut();
        std::array<int, framesPerCycle> due{};
        // The curve only rises: each time is where it first reaches its share of the way.
        for (int frame = 1; frame < framesPerCycle; ++frame) {
            const double share = double(frame) / framesPerCycle;
            double low = 0;
            double high = 1;
            for (int i = 0; i < 30; ++i) {
                const double middle = (low + high) / 2;
                (curve.valueForProgress(middle) < share ? low : high) = middle;
            }
            due[std::size_t(frame)] = int(std::ceil(high * cycleMilliseconds));
        }
        return due;
    }();
    return times;
}

int PulseRing::frame() const {
    if (!animating()) {
        return 0;
    }
    const std::array<int, framesPerCycle>& due = frameTimes();
    const int elapsed = int(clock_.elapsed() % cycleMilliseconds);
    return int(std::upper_bound(due.begin(), due.end(), elapsed) - due.begin()) - 1;
}

double PulseRing::progress() const {
    return double(frame()) / framesPerCycle;
}

int PulseRing::reservedSide(double dotDiameter) {
    return int(std::ceil(dotDiameter * grownScale));
}

void PulseRing::setColor(const Theme::DynamicColor& color) {
    if (color_ == color) {
        return;
    }
    color_ = color;
    // The dot beneath takes the same colour.
    frames_.clear();
    update();
}

QColor PulseRing::strokeColor() const {
    QColor color = color_.resolved(palette());
    color.setAlphaF(0.5f);
    return color;
}

void PulseRing::draw(QPainter& painter, double progress) const {
    const double scale = 1 + (grownScale - 1) * progress;
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

void PulseRing::paintEvent(QPaintEvent*) {
    if (hidden_) {
        return;
    }
    QPainter painter(this);
    draw(painter, progress());
}

void PulseRing::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    shown_ = true;
    // The ring may have moved to another window since it was last shown.
    WindowSurface* surface = &WindowSurface::of(*window());
    if (surface != surface_) {
        if (surface_) {
            disconnect(surface_, nullptr, this, nullptr);
        }
        surface_ = surface;
        connect(surface_, &WindowSurface::changed, this, [this] {
            frames_.clear();
            follow();
        });
    }
    follow();
}

void PulseRing::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Also when the window is minimised, which leaves the widgets visible.
    shown_ = false;
    follow();
}

void PulseRing::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
    case QEvent::ActivationChange: // the inactive palette may differ
        frames_.clear();
        break;
    default:
        break;
    }
}

void PulseRing::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    frames_.clear();
}

void PulseRing::follow() {
    const bool seen = shown_ && !(surface_ && surface_->covered());
    if (seen == animating()) {
        return;
    }
    if (seen) {
        // What lies beneath may have changed while the ring rested.
        frames_.clear();
        refused_ = false;
        clock_.start();
        step();
    } else {
        clock_.invalidate();
        timer_.stop();
    }
}

void PulseRing::step() {
    const int shown = frame();
    if (!put(shown)) {
        // Painted at once rather than at the next turn of the event loop: one wake-up a picture.
        repaint();
    }
    const int elapsed = int(clock_.elapsed() % cycleMilliseconds);
    const std::array<int, framesPerCycle>& due = frameTimes();
    const int next = shown + 1 < framesPerCycle ? due[std::size_t(shown + 1)] : cycleMilliseconds;
    timer_.start(std::max(1, next - elapsed));
}

bool PulseRing::put(int frame) {
    platform::WindowPixels* pixels = surface_ ? surface_->pixels() : nullptr;
    const double ratio = devicePixelRatioF();
    // A fractional ratio would place the pictures half a pixel off the window's own painting.
    if (!pixels || refused_ || ratio != std::floor(ratio)) {
        return false;
    }
    const QPoint position = mapTo(window(), QPoint()) * int(ratio);
    if (frames_.empty() || position != framesPosition_ || int(ratio) != framesRatio_) {
        drawFrames(position, int(ratio));
    }
    if (!pixels->put(window()->winId(), position, frames_[std::size_t(frame)])) {
        refused_ = true;
        return false;
    }
    return true;
}

void PulseRing::drawFrames(const QPoint& position, int ratio) {
    // What the window shows beneath the ring: the dot and the ground around it.
    hidden_ = true;
    const QImage beneath = window()
                               ->grab(QRect(mapTo(window(), QPoint()), size()))
                               .toImage()
                               .convertToFormat(QImage::Format_RGB32);
    hidden_ = false;
    frames_.clear();
    for (int frame = 0; frame < framesPerCycle; ++frame) {
        QImage picture = beneath;
        picture.setDevicePixelRatio(ratio);
        QPainter painter(&picture);
        draw(painter, double(frame) / framesPerCycle);
        painter.end();
        frames_.push_back(std::move(picture));
    }
    framesPosition_ = position;
    framesRatio_ = ratio;
}

} // namespace vesperline
