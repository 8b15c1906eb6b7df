#pragma once

#include "UI/Theme/Theme.h"

#include <QEasingCurve>
#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <vector>

namespace vesperline {

class WindowSurface;

// The ring that pulses around a status dot while something is live: each 1.6 s it grows from the
// dot's size to 1.9 times it while fading out, then starts again. It runs only while it can be
// seen (shown, and its window neither minimised nor wholly covered), lets clicks through to what
// lies beneath, and follows the palette's appearance without restarting. It covers its parent's
// dot area and the room the grown ring needs around it.
//
// A ring this small needs few pictures: a new one each time the eased pulse has come another
// twelfth of the way, so it wakes the program often while it moves fast and seldom as it slows.
// Where its window takes pictures directly (WindowSurface), each one is drawn once over what lies
// beneath the ring and put there as it falls due, without a repaint of the window around it.
class PulseRing final : public QWidget {
    Q_OBJECT

  public:
    static constexpr int cycleMilliseconds = 1600;
    static constexpr double grownScale = 1.9;
    static constexpr int framesPerCycle = 12;

    // A ring around a centred dot of `dotDiameter`.
    explicit PulseRing(double dotDiameter, QWidget* parent = nullptr);

    void setColor(const Theme::DynamicColor& color);
    // The ring's line colour under the current palette.
    QColor strokeColor() const;
    // The side of the square the fully grown ring needs.
    static int reservedSide(double dotDiameter);
    // When, in milliseconds from the start of a cycle, each of its pictures falls due: the first at
    // 0, then each time the eased pulse has come another twelfth of the way.
    static const std::array<int, framesPerCycle>& frameTimes();

    bool animating() const { return clock_.isValid(); }
    // How long the current run of cycles has been going; -1 while not animating.
    qint64 runningMilliseconds() const { return animating() ? clock_.elapsed() : -1; }
    // Where the ring shown is in its cycle, from 0 (the dot's size, most opaque) to 1 (grown, gone).
    double progress() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // The picture of the cycle shown now.
    int frame() const;
    void draw(QPainter& painter, double progress) const;
    // Starts or stops the pulse as the ring comes into sight or leaves it.
    void follow();
    // Shows the picture due and waits for the next.
    void step();
    // Puts the picture straight onto the window; false when it cannot take it.
    bool put(int frame);
    // Draws every picture of the cycle over what lies beneath the ring, in the window's pixels.
    void drawFrames(const QPoint& position, int ratio);

    double dotDiameter_;
    Theme::DynamicColor color_;
    QEasingCurve easing_;
    QElapsedTimer clock_;
    QTimer timer_;
    // Shown, and its window not minimised.
    bool shown_ = false;
    QPointer<WindowSurface> surface_;
    // The pictures put directly, drawn for this place in the window and pixel ratio; none until the
    // first is due, or after anything beneath them may have changed.
    std::vector<QImage> frames_;
    QPoint framesPosition_;
    int framesRatio_ = 0;
    // The window refused a picture: this run paints through Qt.
    bool refused_ = false;
    // Painting nothing, while what lies beneath is read.
    bool hidden_ = false;
};

} // namespace vesperline
