#include "SharedKit/KitLink.h"

#include "SharedKit/KitText.h"

#include <QEnterEvent>
#include <QPainter>

namespace vesperline {

KitLink::KitLink(const QString& title, QWidget* parent) : QAbstractButton(parent) {
    setText(title);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

QSize KitLink::sizeHint() const {
    const QFontMetrics metrics(KitText::font(KitText::Size::callout));
    return {metrics.horizontalAdvance(text()) + 2, metrics.height() + 2};
}

void KitLink::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QFont font = KitText::font(KitText::Size::callout);
    font.setUnderline(underMouse());
    painter.setFont(font);
    painter.setPen(palette().color(QPalette::Link));
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text());
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Link), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void KitLink::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    update();
}

void KitLink::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    update();
}

} // namespace vesperline
