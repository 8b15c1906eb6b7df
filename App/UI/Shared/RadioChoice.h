#pragma once

#include <QRadioButton>

namespace vesperline {

// A radio button whose choice reads in either appearance: the chosen one's indicator is filled with
// the highlight colour around a dot in the colour of a switch's knob, as the switches show "on". The
// style's own chosen mark is a small half-transparent dot in the text colour, which all but vanishes
// on a dark ground.
class RadioChoice final : public QRadioButton {
    Q_OBJECT

  public:
    explicit RadioChoice(const QString& text, QWidget* parent = nullptr);

    // Where the indicator is drawn, in the button's coordinates.
    QRect indicatorRect() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace vesperline
