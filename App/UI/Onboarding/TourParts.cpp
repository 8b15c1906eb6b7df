#include "UI/Onboarding/TourParts.h"

#include "UI/Shared/PageParts.h"
#include "UI/Shared/SymbolLabel.h"

#include <QHBoxLayout>
#include <QLabel>

#include <algorithm>

namespace vesperline::TourParts {

namespace {

// The symbols before a row's text are drawn a little larger than the text, so their details read.
constexpr Theme::TextStyle symbolStyle = Theme::TextStyle::title3;

QWidget* rowOf(SymbolLabel* symbol, const QString& text, Theme::TextStyle style, int symbolWidth,
               int spacing) {
    auto* row = new QWidget;
    QHBoxLayout* layout = PageParts::row(row, spacing);
    // The symbol centred in its column, level with the text's first line.
    auto* column = new QWidget;
    column->setFixedWidth(symbolWidth);
    QHBoxLayout* centred = PageParts::row(column, 0);
    centred->addWidget(symbol, 0, Qt::AlignHCenter | Qt::AlignTop);
    const int lineGap = (QFontMetrics(Theme::font(style)).height() - symbol->height()) / 2;
    centred->setContentsMargins(0, std::max(0, lineGap), 0, 0);
    layout->addWidget(column, 0, Qt::AlignTop);
    QLabel* label = PageParts::textLabel(style, Theme::Level::primary, std::nullopt, true);
    label->setText(text);
    layout->addWidget(label, 1);
    return row;
}

} // namespace

QLabel* title(const QString& text, double points) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setFont(Theme::font(points, QFont::Bold));
    return label;
}

QWidget* withWidth(QWidget* widget, int width, Qt::Alignment alignment) {
    auto* band = new QWidget;
    QHBoxLayout* layout = PageParts::row(band, 0);
    widget->setFixedWidth(width);
    if (alignment & (Qt::AlignHCenter | Qt::AlignRight)) {
        layout->addStretch(1);
    }
    layout->addWidget(widget);
    if (alignment & (Qt::AlignHCenter | Qt::AlignLeft)) {
        layout->addStretch(1);
    }
    return band;
}

QWidget* symbolRow(const QString& symbol, const QString& text, Theme::TextStyle style,
                   const Theme::DynamicColor& tint, int symbolWidth, int spacing) {
    return rowOf(new SymbolLabel(symbol, symbolStyle, tint), text, style, symbolWidth, spacing);
}

QWidget* symbolRow(const QString& symbol, const QString& text, Theme::TextStyle style, Theme::Level tint,
                   int symbolWidth, int spacing) {
    return rowOf(new SymbolLabel(symbol, symbolStyle, tint), text, style, symbolWidth, spacing);
}

} // namespace vesperline::TourParts
