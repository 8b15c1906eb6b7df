#include "UI/Settings/SymbolText.h"

#include "UI/Shared/SymbolLabel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>

namespace vesperline {

SymbolText::SymbolText(const QString& symbol, const QString& text, Theme::TextStyle style, Tint tint,
                       QWidget* parent)
    : QWidget(parent), style_(style), tint_(tint),
      symbol_(new SymbolLabel(symbol, style, Theme::Level::primary)), label_(new QLabel(text)) {
    label_->setTextFormat(Qt::PlainText);
    label_->setWordWrap(true);
    // The symbol stands beside the first line, and both keep to the middle of a taller row. Centred by
    // alignment, not by stretches: stretches would make the text claim every spare height of a page.
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    auto* line = new QWidget;
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(symbol_, 0, Qt::AlignTop);
    layout->addWidget(label_, 1);
    column->addWidget(line, 0, Qt::AlignVCenter);
    setSymbol(symbol, tint);
}

void SymbolText::setText(const QString& text) {
    label_->setText(text);
}

void SymbolText::setSymbol(const QString& symbol, Tint tint) {
    tint_ = tint;
    if (const auto* level = std::get_if<Theme::Level>(&tint_)) {
        symbol_->setSymbol(symbol, *level);
    } else {
        symbol_->setSymbol(symbol, std::get<Theme::DynamicColor>(tint_));
    }
    this->tint();
}

void SymbolText::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        tint();
    }
}

void SymbolText::tint() {
    // The label's colour is taken from this widget's palette, which follows the appearance; the label's
    // own palette only carries the tint.
    const Theme::Level level =
        std::holds_alternative<Theme::Level>(tint_) ? std::get<Theme::Level>(tint_) : Theme::Level::primary;
    label_->setFont(Theme::font(style_));
    QPalette colours = label_->palette();
    colours.setColor(QPalette::WindowText, std::holds_alternative<Theme::DynamicColor>(tint_)
                                               ? std::get<Theme::DynamicColor>(tint_).resolved(palette())
                                               : Theme::textColor(palette(), level));
    label_->setPalette(colours);
}

} // namespace vesperline
