#pragma once

#include <QImage>
#include <QPixmap>
#include <QSizeF>

namespace vesperline {

// A picture scaled for drawing, kept until the picture or the size changes, so a view scales a
// large stored picture once rather than on every paint.
class ScaledPixmap {
  public:
    // `picture` at `size` (in the view's points) for a device of `pixelRatio`.
    const QPixmap& of(const QImage& picture, const QSizeF& size, qreal pixelRatio);

  private:
    QPixmap scaled_;
    qint64 key_ = 0;
};

} // namespace vesperline
