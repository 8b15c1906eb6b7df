#pragma once

#include <QRectF>
#include <QWidget>

namespace vesperline {

// The application's mark at any size: a rounded square washed with the six pastels from the
// top-leading to the bottom-trailing corner, the status glyph of recording in ink in its middle.
class BrandMark final : public QWidget {
    Q_OBJECT

  public:
    // `size` is the side of the square.
    explicit BrandMark(double size, QWidget* parent = nullptr);

    double markSize() const { return size_; }
    // The square's corner radius: 0.26 of its side.
    static double cornerRadius(double size);
    // Where the glyph goes: the square inset by 0.2 of its side on every edge.
    static QRectF glyphRect(double size);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    double size_;
};

} // namespace vesperline
