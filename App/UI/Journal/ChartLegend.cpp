#include "UI/Journal/ChartLegend.h"

#include "UI/Theme/Theme.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace vesperline {

namespace {

constexpr int swatchSide = 10;
constexpr double swatchRadius = 2;
constexpr int swatchGap = 5;
constexpr int itemGap = 14;
constexpr int lineGap = 4;

} // namespace

ChartLegend::ChartLegend(QWidget* parent) : QWidget(parent) {
    Theme::applyText(this, Theme::TextStyle::caption, Theme::Level::secondary);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void ChartLegend::setItems(std::vector<Item> items) {
    items_ = std::move(items);
    updateGeometry();
    update();
}

int ChartLegend::itemWidth(const Item& item) const {
    // Rounded up, so a name measured in fractions of a pixel is not cut by the rounding.
    const double name = QFontMetricsF(font()).horizontalAdvance(item.name);
    return swatchSide + swatchGap + static_cast<int>(std::ceil(name)) + 1;
}

std::vector<QRect> ChartLegend::itemRects(int width) const {
    std::vector<QRect> rects;
    const int lineHeight = std::max(swatchSide, fontMetrics().height());
    int x = 0;
    int y = 0;
    for (const Item& item : items_) {
        // An item wider than the whole line takes a line of its own and is cut at its end.
        const int itemWidthHere = std::min(itemWidth(item), std::max(width, 1));
        if (x > 0 && x + itemWidthHere > width) {
            x = 0;
            y += lineHeight + lineGap;
        }
        rects.emplace_back(x, y, itemWidthHere, lineHeight);
        x += itemWidthHere + itemGap;
    }
    return rects;
}

int ChartLegend::heightForWidth(int width) const {
    const std::vector<QRect> rects = itemRects(width);
    return rects.empty() ? 0 : rects.back().bottom() + 1;
}

QSize ChartLegend::sizeHint() const {
    int width = 0;
    for (const Item& item : items_) {
        width += (width > 0 ? itemGap : 0) + itemWidth(item);
    }
    return {width, heightForWidth(width)};
}

QSize ChartLegend::minimumSizeHint() const {
    return {swatchSide, std::max(swatchSide, fontMetrics().height())};
}

void ChartLegend::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(palette().color(QPalette::WindowText));
    const std::vector<QRect> rects = itemRects(width());
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const QRect& area = rects[i];
        const QRectF swatch(area.left(), area.center().y() - swatchSide / 2.0, swatchSide, swatchSide);
        QPainterPath square;
        square.addRoundedRect(swatch, swatchRadius, swatchRadius);
        painter.fillPath(square, items_[i].brush);
        const QRect text = area.adjusted(swatchSide + swatchGap, 0, 0, 0);
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(items_[i].name, Qt::ElideRight, text.width()));
    }
}

void ChartLegend::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
    }
}

} // namespace vesperline
