#include "UI/Shared/Divider.h"

#include "UI/Theme/Theme.h"

#include <QPainter>

namespace vesperline {

Divider::Divider(QWidget* parent) : Divider(Qt::Horizontal, parent) {}

Divider::Divider(Qt::Orientation orientation, QWidget* parent) : QWidget(parent) {
    if (orientation == Qt::Horizontal) {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    } else {
        setFixedWidth(1);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    }
}

void Divider::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), Theme::separator(palette()));
}

} // namespace vesperline
