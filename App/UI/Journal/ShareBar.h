#pragma once

#include <QWidget>

#include <cstddef>

namespace vesperline {

// A thin capsule across the row's width filled from the leading edge to the share of the whole, in
// a hue of the palette.
class ShareBar final : public QWidget {
    Q_OBJECT

  public:
    static constexpr int fixedHeight = 6;

    // `fraction` from 0 to 1; `hue` is taken modulo the palette's hue count.
    ShareBar(double fraction, std::size_t hue, QWidget* parent = nullptr);

    double fraction() const { return fraction_; }
    std::size_t hue() const { return hue_; }
    // The filled part's width at the current size.
    double filledWidth() const { return width() * fraction_; }

    QSize sizeHint() const override { return {120, fixedHeight}; }
    QSize minimumSizeHint() const override { return {0, fixedHeight}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    double fraction_;
    std::size_t hue_;
};

} // namespace vesperline
