#include "UI/Shared/Card.h"

#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace vesperline {

Card::Card(QWidget* content, int padding, QWidget* parent) : QWidget(parent), content_(content) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->addWidget(content);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void Card::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double radius = Theme::cardCornerRadius;
    QPainterPath ground;
    ground.addRoundedRect(QRectF(rect()), radius, radius);
    painter.fillPath(ground, Theme::cardBackground(palette()));
    // A line inside the border: half a pixel in from the edge.
    QColor line = Theme::separator(palette());
    line.setAlphaF(line.alphaF() * 0.6f);
    painter.setPen(QPen(line, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
}

} // namespace vesperline
