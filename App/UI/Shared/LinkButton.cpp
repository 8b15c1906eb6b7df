#include "UI/Shared/LinkButton.h"

#include "UI/Theme/Symbols.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace vesperline {

namespace {

constexpr int symbolSpacing = 5;
constexpr int focusMargin = 2;

} // namespace

LinkButton::LinkButton(const QString& title, const std::optional<QString>& symbol, Theme::TextStyle style,
                       QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol), style_(style) {
    setText(title);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QFont LinkButton::titleFont() const {
    QFont font = Theme::font(style_);
    font.setUnderline(underMouse() && isEnabled());
    return font;
}

int LinkButton::symbolSide() const {
    return QFontMetrics(titleFont()).ascent();
}

QSize LinkButton::sizeHint() const {
    const QFontMetrics metrics(titleFont());
    const int symbol = symbol_ ? symbolSide() + symbolSpacing : 0;
    return {symbol + metrics.horizontalAdvance(text()) + 1 + 2 * focusMargin,
            metrics.height() + 2 * focusMargin};
}

void LinkButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor color = palette().color(QPalette::Link);
    if (!isEnabled()) {
        color = Theme::textColor(palette(), Theme::Level::tertiary);
    } else if (isDown()) {
        color = color.darker(130);
    }
    const QRect content = rect().adjusted(focusMargin, focusMargin, -focusMargin, -focusMargin);
    const QFontMetrics metrics(titleFont());
    int x = content.left();
    if (symbol_) {
        const int side = symbolSide();
        const int top = content.top() + (content.height() - metrics.height()) / 2 + metrics.ascent() - side;
        painter.drawPixmap(x, top, Symbols::pixmap(*symbol_, side, color, devicePixelRatioF()));
        x += side + symbolSpacing;
    }
    painter.setFont(titleFont());
    painter.setPen(color);
    painter.drawText(QRect(x, content.top(), content.right() - x + 1, content.height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void LinkButton::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::ApplicationFontChange) {
        updateGeometry();
    }
}

} // namespace vesperline
