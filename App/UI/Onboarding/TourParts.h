#pragma once

#include "UI/Theme/Theme.h"

#include <QString>

class QLabel;
class QWidget;

// The pieces the tour's pages share: their large titles and the rows of a symbol before a text.
namespace vesperline::TourParts {

// A bold title of `points` on the theme's scale, as the pages head themselves.
QLabel* title(const QString& text, double points = 26);
// `widget` kept `width` wide within the full width of the page, centred or at the leading edge.
// Wrapped texts inside it take the height they need at that width (a widget placed with an
// alignment would be measured at the page's width instead).
QWidget* withWidth(QWidget* widget, int width, Qt::Alignment alignment = Qt::AlignHCenter);
// A row of a symbol in a column `symbolWidth` wide and a wrapped text in `style`, the symbol level
// with the text's first line; the symbol takes `tint`, the text the primary level.
QWidget* symbolRow(const QString& symbol, const QString& text, Theme::TextStyle style,
                   const Theme::DynamicColor& tint, int symbolWidth, int spacing = 10);
QWidget* symbolRow(const QString& symbol, const QString& text, Theme::TextStyle style, Theme::Level tint,
                   int symbolWidth, int spacing = 10);

} // namespace vesperline::TourParts
