#include "UI/Shared/ActivityIndicator.h"

#include "UI/Theme/Theme.h"

#include <QPainter>

#include <algorithm>

namespace vesperline {

namespace {

constexpr int spokes = 8;
constexpr int turnMilliseconds = 800;

} // namespace

ActivityIndicator::ActivityIndicator(int side, QWidget* parent) : QWidget(parent), side_(side) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // One step per spoke: the indicator wakes eight times per turn, not at every frame.
    timer_.setInterval(turnMilliseconds / spokes);
    connect(&timer_, &QTimer::timeout, this, [this] {
        step_ = (step_ + 1) % spokes;
        update();
    });
}

void ActivityIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(width(), height());
    painter.translate(QRectF(rect()).center());
    const double outer = side / 2;
    QColor color = Theme::textColor(palette(), Theme::Level::secondary);
    const double strength = color.alphaF();
    for (int i = 0; i < spokes; ++i) {
        // The spoke at the current step is the strongest; the ones behind it fade.
        const int age = (step_ - i + spokes) % spokes;
        color.setAlphaF(float(strength * (1.0 - age / double(spokes))));
        painter.setPen(QPen(color, side / 9, Qt::SolidLine, Qt::RoundCap));
        painter.save();
        painter.rotate(360.0 * i / spokes);
        painter.drawLine(QPointF(0, -outer * 0.45), QPointF(0, -outer * 0.9));
        painter.restore();
    }
}

void ActivityIndicator::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    timer_.start();
}

void ActivityIndicator::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    timer_.stop();
}

} // namespace vesperline
