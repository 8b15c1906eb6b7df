#include "UI/Shared/RadioChoice.h"

#include "UI/Theme/Theme.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace vesperline {

namespace {

// The dot's share of the indicator's diameter.
constexpr double dotShare = 0.4;
constexpr double disabledOpacity = 0.45;

} // namespace

RadioChoice::RadioChoice(const QString& text, QWidget* parent) : QRadioButton(text, parent) {}

QRect RadioChoice::indicatorRect() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, this);
}

void RadioChoice::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const bool chosen = option.state & QStyle::State_On;
    // The label, the focus and the unchosen ring are the style's.
    option.state &= ~QStyle::State_On;
    option.state |= QStyle::State_Off;
    painter.drawControl(QStyle::CE_RadioButton, option);
    if (!chosen) {
        return;
    }
    const QRectF ring = QRectF(indicatorRect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double side = std::min(ring.width(), ring.height());
    const QRectF circle(ring.center() - QPointF(side, side) / 2, QSizeF(side, side));
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) {
        painter.setOpacity(disabledOpacity);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::Highlight));
    painter.drawEllipse(circle);
    const double dot = side * dotShare;
    painter.setBrush(Theme::knob);
    painter.drawEllipse(QRectF(circle.center() - QPointF(dot, dot) / 2, QSizeF(dot, dot)));
}

} // namespace vesperline
