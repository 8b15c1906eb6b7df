#include "UI/Shared/Divider.h"

#include "UI/Theme/Theme.h"

#include <QPainter>

namespace vesperline {

Divider::Divider(QWidget* parent) : QWidget(parent) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Divider::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), Theme::separator(palette()));
}

} // namespace vesperline
