#pragma once

#include <QWidget>

namespace vesperline {

// A thin line in the theme's separator colour: horizontal across the width it is given, or vertical
// down the height.
class Divider final : public QWidget {
    Q_OBJECT

  public:
    explicit Divider(QWidget* parent = nullptr);
    explicit Divider(Qt::Orientation orientation, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {1, 1}; }

  protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace vesperline
