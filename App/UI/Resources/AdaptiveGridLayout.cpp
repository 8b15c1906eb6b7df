#include "UI/Resources/AdaptiveGridLayout.h"

#include <QWidget>

#include <algorithm>

namespace vesperline {

AdaptiveGridLayout::AdaptiveGridLayout(int minimumColumnWidth, int columnSpacing, int rowSpacing,
                                       QWidget* parent)
    : QLayout(parent), minimumColumnWidth_(minimumColumnWidth), columnSpacing_(columnSpacing),
      rowSpacing_(rowSpacing) {
    setContentsMargins(0, 0, 0, 0);
}

AdaptiveGridLayout::~AdaptiveGridLayout() {
    while (QLayoutItem* item = takeAt(0)) {
        delete item;
    }
}

int AdaptiveGridLayout::columns(int width, int minimumWidth, int spacing) {
    return std::max(1, (width + spacing) / std::max(1, minimumWidth + spacing));
}

void AdaptiveGridLayout::addItem(QLayoutItem* item) {
    items_.append(item);
    invalidate();
}

QLayoutItem* AdaptiveGridLayout::takeAt(int index) {
    if (index < 0 || index >= items_.size()) {
        return nullptr;
    }
    QLayoutItem* item = items_.takeAt(index);
    invalidate();
    return item;
}

int AdaptiveGridLayout::heightForWidth(int width) const {
    const QMargins margins = contentsMargins();
    return arrange(QRect(0, 0, width, 0).marginsRemoved(margins), false) + margins.top() + margins.bottom();
}

QSize AdaptiveGridLayout::sizeHint() const {
    // One row of columns at their minimum width.
    const int shown = std::max<int>(1, static_cast<int>(items_.size()));
    const int width = shown * minimumColumnWidth_ + (shown - 1) * columnSpacing_;
    const QMargins margins = contentsMargins();
    return QSize(width + margins.left() + margins.right(),
                 heightForWidth(width + margins.left() + margins.right()));
}

QSize AdaptiveGridLayout::minimumSize() const {
    const QMargins margins = contentsMargins();
    const int width = minimumColumnWidth_ + margins.left() + margins.right();
    return QSize(width, heightForWidth(width));
}

void AdaptiveGridLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    arrange(rect.marginsRemoved(contentsMargins()), true);
}

int AdaptiveGridLayout::arrange(const QRect& rect, bool apply) const {
    const int columnCount = columns(rect.width(), minimumColumnWidth_, columnSpacing_);
    const double columnWidth =
        std::max(0.0, static_cast<double>(rect.width() - (columnCount - 1) * columnSpacing_) / columnCount);
    const auto heightOf = [columnWidth](QLayoutItem* item) {
        return item->hasHeightForWidth() ? item->heightForWidth(static_cast<int>(columnWidth))
                                         : item->sizeHint().height();
    };
    int y = rect.y();
    for (int first = 0; first < items_.size(); first += columnCount) {
        const int last = std::min<int>(first + columnCount, static_cast<int>(items_.size()));
        int rowHeight = 0;
        for (int i = first; i < last; ++i) {
            rowHeight = std::max(rowHeight, heightOf(items_[i]));
        }
        if (apply) {
            for (int i = first; i < last; ++i) {
                const int column = i - first;
                const int left = rect.x() + static_cast<int>(column * (columnWidth + columnSpacing_));
                const int right =
                    rect.x() + static_cast<int>(column * (columnWidth + columnSpacing_) + columnWidth);
                const int height = heightOf(items_[i]);
                items_[i]->setGeometry(QRect(left, y + (rowHeight - height) / 2, right - left, height));
            }
        }
        y += rowHeight + (last < items_.size() ? rowSpacing_ : 0);
    }
    return y - rect.y();
}

} // namespace vesperline
