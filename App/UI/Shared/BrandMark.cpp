#include "UI/Shared/BrandMark.h"

#include "Model/StatusGlyph.h"
#include "UI/Theme/Theme.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace vesperline {

BrandMark::BrandMark(double size, QWidget* parent) : QWidget(parent), size_(size) {
    const int side = static_cast<int>(std::ceil(size));
    setFixedSize(side, side);
    setAccessibleName(QStringLiteral("Vesperline"));
}

double BrandMark::cornerRadius(double size) {
    return 0.26 * size;
}

QRectF BrandMark::glyphRect(double size) {
    const double inset = 0.2 * size;
    return QRectF(inset, inset, size - 2 * inset, size - 2 * inset);
}

void BrandMark::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath square;
    const double radius = cornerRadius(size_);
    square.addRoundedRect(QRectF(0, 0, size_, size_), radius, radius);
    painter.fillPath(square, QBrush(Theme::pastelWash));

    const QRectF glyph = glyphRect(size_);
    painter.translate(glyph.topLeft());
    painter.scale(glyph.width() / StatusGlyph::side, glyph.height() / StatusGlyph::side);
    StatusGlyph::draw(painter, StatusGlyph::Variant::recording, Theme::ink);
}

} // namespace vesperline
