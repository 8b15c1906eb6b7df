#pragma once

#include <QFont>
#include <QPalette>

class QLabel;

// The about window's few text looks, made from the application's font and palette (the kit has no
// theme of its own): sizes relative to the body text, and text colours at falling strengths.
namespace vesperline::KitText {

enum class Size { title, body, callout, caption };
enum class Strength { primary, secondary, tertiary };

QFont font(Size size, QFont::Weight weight = QFont::Normal);
QColor color(const QPalette& palette, Strength strength);
// Gives `label` plain text in the font and colour, kept while the application's palette or font
// changes.
void style(QLabel* label, Size size, Strength strength, QFont::Weight weight = QFont::Normal);

} // namespace vesperline::KitText
