#pragma once

#include <QAbstractButton>

namespace vesperline {

// An on/off switch: a rounded track, filled with the palette's highlight while on, and a round knob
// at the side of the current state. A click or the space bar flips it and reports `clicked`;
// `setChecked` from code reports nothing through `clicked`.
class ToggleSwitch final : public QAbstractButton {
    Q_OBJECT

  public:
    explicit ToggleSwitch(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override { return rect().contains(position); }
};

} // namespace vesperline
