#pragma once

#include "Support/Rect.h"

#include <QRectF>
#include <QSizeF>

// Where a stored picture and the rectangles found on it go in a view. Rectangles on pictures are
// normalised (0...1) with the origin at the picture's lower left, as text recognition reports them;
// the view counts from its upper left.
namespace vesperline::MomentCanvasGeometry {

// The picture as large as fits in `view`, scaled up or down with its proportions kept, centred.
// Empty for an empty picture.
QRectF fitted(const QSizeF& picture, const QRectF& view);

// `box` on the picture drawn at `picture` (a rectangle of the view).
QRectF onPicture(const ostrel::Rect& box, const QRectF& picture);

// The outline of a boxed search term: the box on the picture, grown by 3 points left and right and
// 2 points above and below, so it frames the word rather than touching it.
QRectF highlight(const ostrel::Rect& box, const QRectF& picture);

} // namespace vesperline::MomentCanvasGeometry
