#include "UI/Moment/MomentCanvasGeometry.h"

#include <algorithm>

namespace vesperline::MomentCanvasGeometry {

QRectF fitted(const QSizeF& picture, const QRectF& view) {
    if (!(picture.width() > 0) || !(picture.height() > 0)) {
        return {};
    }
    const double scale = std::min(view.width() / picture.width(), view.height() / picture.height());
    const QSizeF drawn = picture * scale;
    return {view.x() + (view.width() - drawn.width()) * 0.5,
            view.y() + (view.height() - drawn.height()) * 0.5, drawn.width(), drawn.height()};
}

QRectF onPicture(const ostrel::Rect& box, const QRectF& picture) {
    return {picture.x() + box.minX() * picture.width(), picture.y() + (1.0 - box.maxY()) * picture.height(),
            box.width * picture.width(), box.height * picture.height()};
}

QRectF highlight(const ostrel::Rect& box, const QRectF& picture) {
    return onPicture(box, picture).adjusted(-3, -2, 3, 2);
}

} // namespace vesperline::MomentCanvasGeometry
