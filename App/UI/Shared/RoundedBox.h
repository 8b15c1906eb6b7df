#pragma once

#include "UI/Theme/Theme.h"

#include <QBrush>
#include <QPalette>
#include <QWidget>

#include <functional>

namespace vesperline {

// A container drawn as a rounded rectangle: filled with a brush taken from the palette when it
// paints (so it follows the appearance), outlined with the theme's separator line when asked. The
// caller lays its content out in it.
class RoundedBox final : public QWidget {
    Q_OBJECT

  public:
    using Fill = std::function<QBrush(const QPalette&)>;

    // No fill when `fill` is empty.
    RoundedBox(double radius, Fill fill, bool outlined = false, QWidget* parent = nullptr);

    void setFill(Fill fill);

    // A fill of a hierarchical text level of the palette at `opacity`, as faint grounds are drawn.
    static Fill level(Theme::Level level, double opacity);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    double radius_;
    Fill fill_;
    bool outlined_;
};

} // namespace vesperline
