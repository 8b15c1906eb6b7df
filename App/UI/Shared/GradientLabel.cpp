#include "UI/Shared/GradientLabel.h"

#include "UI/Theme/Symbols.h"

#include <QEvent>
#include <QImage>
#include <QPainter>

namespace vesperline {

namespace {

constexpr int symbolSpacing = 6;

} // namespace

GradientLabel::GradientLabel(const QString& text, const std::optional<QString>& symbol,
                             Theme::TextStyle style, std::optional<QFont::Weight> weight, QWidget* parent)
    : QWidget(parent), text_(text), symbol_(symbol), style_(style), weight_(weight) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text);
}

QFont GradientLabel::textFont() const {
    return Theme::font(style_, weight_);
}

int GradientLabel::symbolSide() const {
    return QFontMetrics(textFont()).ascent();
}

QSize GradientLabel::sizeHint() const {
    const QFontMetrics metrics(textFont());
    const int symbol = symbol_ ? symbolSide() + symbolSpacing : 0;
    return {symbol + metrics.horizontalAdvance(text_) + 1, metrics.height()};
}

void GradientLabel::paintEvent(QPaintEvent*) {
    // The symbol and the text are drawn as one shape, which the gradient then fills, so the colours
    // run across both.
    const qreal ratio = devicePixelRatioF();
    QImage shape(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    shape.setDevicePixelRatio(ratio);
    shape.fill(Qt::transparent);
    {
        QPainter painter(&shape);
        painter.setRenderHint(QPainter::Antialiasing);
        const QFontMetrics metrics(textFont());
        int x = 0;
        if (symbol_) {
            const int side = symbolSide();
            const int top = (height() - metrics.height()) / 2 + metrics.ascent() - side;
            painter.drawPixmap(0, top, Symbols::pixmap(*symbol_, side, Qt::black, ratio));
            x = side + symbolSpacing;
        }
        painter.setFont(textFont());
        painter.setPen(Qt::black);
        painter.drawText(QRect(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter, text_);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(QRect(QPoint(), size()), QBrush(Theme::inkGradient(Theme::appearance(palette()))));
    }
    QPainter(this).drawImage(0, 0, shape);
}

void GradientLabel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::ApplicationFontChange) {
        updateGeometry();
    }
    if (event->type() == QEvent::PaletteChange) {
        update();
    }
}

} // namespace vesperline
