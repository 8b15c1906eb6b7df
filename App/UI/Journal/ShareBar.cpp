#include "UI/Journal/ShareBar.h"

#include "UI/Theme/Theme.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace vesperline {

ShareBar::ShareBar(double fraction, std::size_t hue, QWidget* parent)
    : QWidget(parent), fraction_(std::clamp(fraction, 0.0, 1.0)), hue_(hue % Theme::hues.size()) {
    setFixedHeight(fixedHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ShareBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor track = Theme::textColor(palette(), Theme::Level::quaternary);
    track.setAlphaF(track.alphaF() * 0.5f);
    painter.fillPath(Theme::capsule(QRectF(rect())), track);
    if (filledWidth() > 0) {
        const QRectF filled(0, 0, filledWidth(), fixedHeight);
        painter.fillPath(Theme::capsule(filled), Theme::colorGradient(Theme::hues[hue_].pastel));
    }
}

} // namespace vesperline
