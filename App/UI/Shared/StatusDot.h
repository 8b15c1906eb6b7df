#pragma once

#include "UI/Theme/Theme.h"

#include <QWidget>

namespace vesperline {

class PulseRing;

// A small dot in a status colour, with a pulsing ring around it while `pulsing`. The widget keeps the
// room the grown ring needs around the dot, so the ring is never cut off.
class StatusDot final : public QWidget {
    Q_OBJECT

  public:
    static constexpr double diameter = 8;

    explicit StatusDot(const Theme::DynamicColor& color = Theme::gray, bool pulsing = false,
                       QWidget* parent = nullptr);

    void setColor(const Theme::DynamicColor& color);
    void setPulsing(bool pulsing);
    bool pulsing() const { return pulsing_; }
    // The dot's fill under the current palette.
    QColor fillColor() const;
    // The dot's square within the widget.
    QRectF dotRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    Theme::DynamicColor color_;
    bool pulsing_;
    PulseRing* ring_;
};

} // namespace vesperline
