#pragma once

#include <QWidget>

namespace vesperline {

// A thin horizontal line in the theme's separator colour, across the width it is given.
class Divider final : public QWidget {
    Q_OBJECT

  public:
    explicit Divider(QWidget* parent = nullptr);

    QSize sizeHint() const override { return {1, 1}; }

  protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace vesperline
