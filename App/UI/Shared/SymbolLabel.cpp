#include "UI/Shared/SymbolLabel.h"

#include "UI/Theme/Symbols.h"

#include <QEvent>

namespace vesperline {

SymbolLabel::SymbolLabel(const QString& symbol, Theme::TextStyle style, Theme::Level level, QWidget* parent)
    : QLabel(parent), symbol_(symbol), style_(style), tint_(level) {
    setAlignment(Qt::AlignCenter);
    draw();
}

SymbolLabel::SymbolLabel(const QString& symbol, Theme::TextStyle style, const Theme::DynamicColor& color,
                         QWidget* parent)
    : QLabel(parent), symbol_(symbol), style_(style), tint_(color) {
    setAlignment(Qt::AlignCenter);
    draw();
}

void SymbolLabel::draw() {
    // As tall as the style's capitals and ascenders, as a glyph beside a text of that style is.
    const int side = QFontMetrics(Theme::font(style_)).ascent();
    const QColor color = std::holds_alternative<Theme::Level>(tint_)
                             ? Theme::textColor(palette(), std::get<Theme::Level>(tint_))
                             : std::get<Theme::DynamicColor>(tint_).resolved(palette());
    setPixmap(Symbols::pixmap(symbol_, side, color, devicePixelRatioF()));
    setFixedSize(side, side);
}

void SymbolLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange ||
        event->type() == QEvent::ApplicationFontChange) {
        draw();
    }
}

} // namespace vesperline
