#include "UI/MenuBar/MenuRow.h"

#include "UI/Theme/Symbols.h"
#include "UI/Theme/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace vesperline {

MenuRow::MenuRow(const QString& title, const QString& symbol, const std::optional<QString>& shortcut,
                 QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol), shortcut_(shortcut) {
    setText(title);
    setAccessibleName(title);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
}

QSize MenuRow::sizeHint() const {
    const QFontMetrics metrics(font());
    int width = 2 * horizontalPadding + symbolWidth + spacing + metrics.horizontalAdvance(text());
    if (shortcut_) {
        width += spacing + QFontMetrics(Theme::font(Theme::TextStyle::caption)).horizontalAdvance(*shortcut_);
    }
    return {width, metrics.height() + 2 * verticalPadding};
}

QRect MenuRow::shortcutRect() const {
    if (!shortcut_) {
        return {};
    }
    const int width = QFontMetrics(Theme::font(Theme::TextStyle::caption)).horizontalAdvance(*shortcut_);
    return {this->width() - horizontalPadding - width, 0, width, height()};
}

QRect MenuRow::titleRect() const {
    const int left = horizontalPadding + symbolWidth + spacing;
    const int right = shortcut_ ? shortcutRect().left() - spacing : width() - horizontalPadding;
    return {left, 0, std::max(0, right - left), height()};
}

void MenuRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (hovering_) {
        QPainterPath ground;
        ground.addRoundedRect(QRectF(rect()), 6, 6);
        painter.fillPath(ground, QBrush(Theme::pastelBand));
    }
    const QColor ink = Theme::ink;
    const int side = QFontMetrics(font()).ascent();
    const QBrush symbolTint =
        hovering_ ? QBrush(ink) : QBrush(Theme::textColor(palette(), Theme::Level::secondary));
    painter.drawPixmap(horizontalPadding + (symbolWidth - side) / 2, (height() - side) / 2,
                       Symbols::pixmap(symbol_, side, symbolTint, devicePixelRatioF()));
    painter.setPen(hovering_ ? ink : Theme::textColor(palette(), Theme::Level::primary));
    painter.setFont(font());
    const QRect title = titleRect();
    painter.drawText(title, Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetrics(font()).elidedText(text(), Qt::ElideRight, title.width()));
    if (shortcut_) {
        QColor shortcutColor = ink;
        shortcutColor.setAlphaF(0.7f);
        painter.setPen(hovering_ ? shortcutColor : Theme::textColor(palette(), Theme::Level::secondary));
        painter.setFont(Theme::font(Theme::TextStyle::caption));
        painter.drawText(shortcutRect(), Qt::AlignRight | Qt::AlignVCenter, *shortcut_);
    }
}

void MenuRow::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    hovering_ = true;
    update();
}

void MenuRow::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    hovering_ = false;
    update();
}

} // namespace vesperline
