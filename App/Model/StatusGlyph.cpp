#include "Model/StatusGlyph.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vesperline::StatusGlyph {

namespace {

void fillRoundedRect(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    painter.fillPath(path, color);
}

void stroke(QPainter& painter, const QPainterPath& path, qreal width, Qt::PenCapStyle cap,
            const QColor& color) {
    painter.strokePath(path, QPen(color, width, Qt::SolidLine, cap));
}

} // namespace

Variant variant(const RecorderStatus& status) {
    switch (status.kind) {
    case RecorderStatus::Kind::recording:
        return Variant::recording;
    case RecorderStatus::Kind::needsPermission:
        return Variant::attention;
    case RecorderStatus::Kind::stopped:
    case RecorderStatus::Kind::paused:
    case RecorderStatus::Kind::locked:
    case RecorderStatus::Kind::asleep:
        break;
    }
    return Variant::held;
}

void draw(QPainter& painter, Variant variant, const QColor& color) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);

    // The back card: its top edge and right edge joined by a rounded corner.
    QPainterPath back;
    back.moveTo(6.0, 2.8);
    back.lineTo(14.2, 2.8);
    back.arcTo(QRectF(12.2, 2.8, 4.0, 4.0), 90, -90);
    back.lineTo(16.2, 11.0);
    stroke(painter, back, 1.4, Qt::RoundCap, color);

    QPainterPath front;
    front.addRoundedRect(QRectF(1.7, 5.6, 11.8, 9.8), 2.2, 2.2);
    stroke(painter, front, 1.5, Qt::SquareCap, color);

    switch (variant) {
    case Variant::recording: {
        fillRoundedRect(painter, QRectF(4.0, 8.0, 7.2, 2.1), 1.0, color);
        QPainterPath line;
        line.moveTo(4.2, 12.6);
        line.lineTo(8.6, 12.6);
        stroke(painter, line, 1.3, Qt::RoundCap, color);
        break;
    }
    case Variant::held:
        fillRoundedRect(painter, QRectF(5.1, 8.0, 1.7, 5.2), 0.8, color);
        fillRoundedRect(painter, QRectF(8.4, 8.0, 1.7, 5.2), 0.8, color);
        break;
    case Variant::attention: {
        fillRoundedRect(painter, QRectF(6.8, 7.6, 1.8, 4.4), 0.9, color);
        QPainterPath dot;
        dot.addEllipse(QRectF(6.75, 12.6, 1.9, 1.9));
        painter.fillPath(dot, color);
        break;
    }
    }
    painter.restore();
}

QImage image(Variant variant, const QColor& color, qreal scale) {
    const int pixels = static_cast<int>(std::lround(side * scale));
    QImage picture(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.scale(scale, scale);
    draw(painter, variant, color);
    painter.end();
    return picture;
}

const QColor trayGlyphColor(0xf4, 0xf4, 0xf6);
const QColor trayContourColor(0x10, 0x10, 0x14, 0xf0);

QImage trayImage(Variant variant, qreal scale) {
    const QImage glyph = image(variant, trayGlyphColor, scale);
    const QImage contour = image(variant, trayContourColor, scale);
    QImage picture(glyph.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    // The contour is the glyph drawn around itself, about a pixel wide at every size.
    const qreal reach = std::max<qreal>(1, scale * 0.6);
    constexpr int directions = 12;
    for (int step = 0; step < directions; ++step) {
        const qreal angle = 2 * std::numbers::pi * step / directions;
        painter.drawImage(QPointF(reach * std::cos(angle), reach * std::sin(angle)), contour);
    }
    painter.drawImage(QPointF(0, 0), glyph);
    painter.end();
    return picture;
}

QIcon trayIcon(Variant variant) {
    QIcon result;
    // Trays draw their icons from 16 to 48 pixels; each size is drawn, not scaled.
    for (const qreal scale : {1.0, 1.5, 2.0, 3.0}) {
        result.addPixmap(QPixmap::fromImage(trayImage(variant, scale)));
    }
    return result;
}

} // namespace vesperline::StatusGlyph
