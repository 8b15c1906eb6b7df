#pragma once

#include "Support/BGRAImage.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <cstring>
#include <utility>
#include <vector>

namespace testsupport {

// Renders lines of text, dark on light or light on dark, as a BGRA picture (with the test program's
// application object).
inline ostrel::BGRAImage renderText(const std::vector<std::pair<QString, QPoint>>& lines, bool darkMode,
                                    QSize size = {800, 300}) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(darkMode ? QColor(30, 30, 30) : Qt::white);
    QPainter painter(&image);
    painter.setPen(darkMode ? QColor(230, 230, 230) : Qt::black);
    QFont font("DejaVu Sans");
    font.setPixelSize(28);
    painter.setFont(font);
    for (const auto& [text, origin] : lines) {
        painter.drawText(origin, text);
    }
    painter.end();
    ostrel::BGRAImage picture(size.width(), size.height());
    for (int y = 0; y < size.height(); ++y) {
        std::memcpy(picture.row(y), image.constScanLine(y), static_cast<std::size_t>(size.width()) * 4);
    }
    return picture;
}

} // namespace testsupport
