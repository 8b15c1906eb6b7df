#pragma once

#include "Capture/RecorderStatus.h"

#include <QColor>
#include <QIcon>
#include <QImage>

class QPainter;

namespace vesperline::StatusGlyph {

// The status item's picture: two cards, the front one carrying a mark that says what the recorder
// is doing.
enum class Variant {
    // A bar and a shorter line, like a line of text.
    recording,
    // Two vertical bars: stopped, paused, locked or asleep.
    held,
    // An exclamation mark: a permission is needed.
    attention,
};

// The variant that shows `status`: the same mark for recording with and without pictures.
Variant variant(const RecorderStatus& status);

// The glyph's size in device-independent pixels.
constexpr int side = 18;

// Draws the glyph in `color` into the square (0, 0, 18, 18) of `painter`'s coordinates.
void draw(QPainter& painter, Variant variant, const QColor& color);

// The glyph at `scale` times its size (an 18 x 18 picture at 1), transparent around the strokes.
QImage image(Variant variant, const QColor& color, qreal scale = 1);

// The colours of the tray's picture: the glyph, and the contour around it.
extern const QColor trayGlyphColor;
extern const QColor trayContourColor;

// The glyph as a panel shows it, at `scale` times its size: light strokes inside a dark contour, so
// it reads on a dark panel and on a light one alike (a panel's colours are its own, and the tray
// does not tell them).
QImage trayImage(Variant variant, qreal scale = 1);

// The tray's picture at the sizes a tray asks for.
QIcon trayIcon(Variant variant);

} // namespace vesperline::StatusGlyph
