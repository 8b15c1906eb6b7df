#pragma once

#include <QRect>

class QWidget;

// Where a window opens: inside the free area of the screen it opens on, also on a monitor smaller
// than the window's own size and after a frame kept from a larger one.
namespace vesperline::WindowPlacement {

// `frame` shrunk where it is larger than `available`, then moved to lie inside it.
QRect fitted(const QRect& frame, const QRect& available);

// Fits `window`'s frame to the free area of the screen under its middle (the primary screen when none
// is): its size, the least size it may be made (no larger than that area) and its place. A window
// that fits is left exactly as it is. Before the window is first shown its frame is not known yet;
// fit it again once the window manager has framed it.
void fitToScreen(QWidget& window);

} // namespace vesperline::WindowPlacement
