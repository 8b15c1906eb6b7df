#include "UI/Shared/ToggleSwitch.h"

#include "UI/Theme/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace vesperline {

namespace {

constexpr int trackWidth = 34;
constexpr int trackHeight = 20;
constexpr double knobInset = 2;
constexpr double disabledOpacity = 0.45;

} // namespace

ToggleSwitch::ToggleSwitch(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ToggleSwitch::sizeHint() const {
    return {trackWidth, trackHeight};
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) {
        painter.setOpacity(disabledOpacity);
    }
    const QRectF track = QRectF(0, 0, trackWidth, trackHeight).translated(0, (height() - trackHeight) / 2.0);
    const double radius = track.height() / 2;
    const QPainterPath ground = Theme::capsule(track);
    const QColor off = Theme::textColor(palette(), Theme::Level::quaternary);
    painter.fillPath(ground, isChecked() ? palette().color(QPalette::Highlight) : off.darker(110));
    if (hasFocus()) {
        QColor ring = palette().color(QPalette::Highlight);
        ring.setAlphaF(0.5f);
        painter.setPen(QPen(ring, 2));
        painter.drawRoundedRect(track.adjusted(-1, -1, 1, 1), radius + 1, radius + 1);
    }
    const double diameter = track.height() - 2 * knobInset;
    const double left = isChecked() ? track.right() - knobInset - diameter : track.left() + knobInset;
    const QRectF knob(left, track.top() + knobInset, diameter, diameter);
    QColor shadow = Theme::ink;
    shadow.setAlphaF(0.25f);
    painter.setPen(QPen(shadow, 0.5));
    painter.setBrush(Theme::knob);
    painter.drawEllipse(knob);
}

} // namespace vesperline
