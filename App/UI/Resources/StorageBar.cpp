#include "UI/Resources/StorageBar.h"

#include "UI/Theme/Theme.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace vesperline {

StorageBar::StorageBar(QWidget* parent) : QWidget(parent) {
    setFixedHeight(barHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void StorageBar::setFigures(std::int64_t segmentBytes, std::int64_t databaseBytes, std::int64_t diskCapGB) {
    segmentBytes_ = segmentBytes;
    databaseBytes_ = databaseBytes;
    diskCapGB_ = diskCapGB;
    update();
}

StorageBar::Parts StorageBar::parts(std::int64_t segmentBytes, std::int64_t databaseBytes,
                                    std::int64_t diskCapGB, const QSizeF& size) {
    const double cap = static_cast<double>(diskCapGB) * 1073741824.0;
    const auto width = [&](std::int64_t bytes) {
        return bytes <= 0 ? 0.0
                          : std::max(static_cast<double>(bytes) / std::max(cap, 1.0) * size.width(),
                                     minimumPartWidth);
    };
    const QRectF video(0, 0, width(segmentBytes), size.height());
    return {video, QRectF(video.right() + partSpacing, 0, width(databaseBytes), size.height())};
}

void StorageBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath bar;
    bar.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.setClipPath(bar);
    QColor empty = Theme::textColor(palette(), Theme::Level::quaternary);
    empty.setAlphaF(empty.alphaF() * 0.5f);
    painter.fillRect(rect(), empty);
    const Parts placed = parts(segmentBytes_, databaseBytes_, diskCapGB_, size());
    // What reaches beyond the bar is left out before drawing: over a tiny limit it can be far beyond.
    painter.fillRect(placed.video.intersected(QRectF(rect())), Theme::sky.pastel);
    painter.fillRect(placed.text.intersected(QRectF(rect())), Theme::peach.pastel);
}

} // namespace vesperline
