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

SymbolLabel::SymbolLabel(const QString& symbol, Theme::TextStyle style, InkGradient, QWidget* parent)
    : QLabel(parent), symbol_(symbol), style_(style), tint_(InkGradient{}) {
    setAlignment(Qt::AlignCenter);
    draw();
}

void SymbolLabel::setSymbol(const QString& symbol, Theme::Level level) {
    symbol_ = symbol;
    tint_ = level;
    draw();
}

void SymbolLabel::setSymbol(const QString& symbol, const Theme::DynamicColor& color) {
    symbol_ = symbol;
    tint_ = color;
    draw();
}

void SymbolLabel::draw() {
    // As tall as the style's capitals and ascenders, as a glyph beside a text of that style is.
    const int side = QFontMetrics(Theme::font(style_)).ascent();
    QBrush brush;
    if (const auto* level = std::get_if<Theme::Level>(&tint_)) {
        brush = Theme::textColor(palette(), *level);
    } else if (const auto* color = std::get_if<Theme::DynamicColor>(&tint_)) {
        brush = color->resolved(palette());
    } else {
        brush = QBrush(Theme::inkGradient(Theme::appearance(palette())));
    }
    setPixmap(Symbols::pixmap(symbol_, side, brush, devicePixelRatioF()));
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
