#pragma once

#include "UI/Theme/Theme.h"

#include <QEasingCurve>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

namespace vesperline {

// The ring that pulses around a status dot while something is live: each 1.6 s it grows from the
// dot's size to 1.9 times it while fading out, then starts again. It runs only while shown, lets
// clicks through to what lies beneath, and follows the palette's appearance without restarting.
// It covers its parent's dot area and the room the grown ring needs around it.
class PulseRing final : public QWidget {
    Q_OBJECT

  public:
    static constexpr int cycleMilliseconds = 1600;
    static constexpr double grownScale = 1.9;

    // A ring around a centred dot of `dotDiameter`.
    explicit PulseRing(double dotDiameter, QWidget* parent = nullptr);

    void setColor(const Theme::DynamicColor& color);
    // The ring's line colour under the current palette.
    QColor strokeColor() const;
    // The side of the square the fully grown ring needs.
    static int reservedSide(double dotDiameter);

    bool animating() const { return timer_.isActive(); }
    // How long the current run of cycles has been going; -1 while not animating.
    qint64 runningMilliseconds() const { return animating() ? clock_.elapsed() : -1; }
    // Where the ring is in its cycle, from 0 (the dot's size, most opaque) to 1 (grown, gone).
    double progress() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    double dotDiameter_;
    Theme::DynamicColor color_;
    QEasingCurve easing_;
    QElapsedTimer clock_;
    QTimer timer_;
};

} // namespace vesperline
