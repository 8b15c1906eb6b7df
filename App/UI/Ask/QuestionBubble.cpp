#include "UI/Ask/QuestionBubble.h"

#include "UI/Theme/Theme.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <limits>

namespace vesperline {

namespace {

constexpr int textFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
constexpr double groundOpacity = 0.4;
// The narrowest a bubble gets, in average characters, before its words break anyway.
constexpr int minimumCharacters = 12;

} // namespace

QuestionBubble::QuestionBubble(const QString& text, QWidget* parent) : QWidget(parent), text_(text) {
    Theme::applyText(this, Theme::TextStyle::body);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAccessibleName(text);
}

QRect QuestionBubble::textRect(int textWidth) const {
    return fontMetrics().boundingRect(
        QRect(0, 0, std::max(1, textWidth), std::numeric_limits<int>::max() / 2), textFlags, text_);
}

int QuestionBubble::heightForWidth(int width) const {
    return textRect(width - 2 * horizontalPadding).height() + 2 * verticalPadding;
}

QSize QuestionBubble::sizeHint() const {
    // Unwrapped: each line of the question as long as it is.
    const QRect natural =
        fontMetrics().boundingRect(QRect(0, 0, std::numeric_limits<int>::max() / 2, 0), Qt::AlignLeft, text_);
    return {natural.width() + 1 + 2 * horizontalPadding, natural.height() + 2 * verticalPadding};
}

QSize QuestionBubble::minimumSizeHint() const {
    const int width = std::min(sizeHint().width(),
                               minimumCharacters * fontMetrics().averageCharWidth() + 2 * horizontalPadding);
    return {width, heightForWidth(width)};
}

void QuestionBubble::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath ground;
    ground.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(ground, QBrush(Theme::pastelGradient(groundOpacity, false)));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(
        rect().adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding), textFlags,
        text_);
}

void QuestionBubble::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
    }
}

} // namespace vesperline
