#include "UI/Shared/ScaledPixmap.h"

namespace vesperline {

const QPixmap& ScaledPixmap::of(const QImage& picture, const QSizeF& size, qreal pixelRatio) {
    const QSize pixels = (size * pixelRatio).toSize();
    if (key_ != picture.cacheKey() || scaled_.size() != pixels) {
        scaled_ = QPixmap::fromImage(picture.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        scaled_.setDevicePixelRatio(pixelRatio);
        key_ = picture.cacheKey();
    }
    return scaled_;
}

} // namespace vesperline
