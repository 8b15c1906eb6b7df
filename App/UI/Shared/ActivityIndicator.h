#pragma once

#include <QTimer>
#include <QWidget>

namespace vesperline {

// A small spinning indicator of work without a known end; it turns only while shown.
class ActivityIndicator final : public QWidget {
    Q_OBJECT

  public:
    explicit ActivityIndicator(int side = 16, QWidget* parent = nullptr);

    bool spinning() const { return timer_.isActive(); }

    QSize sizeHint() const override { return {side_, side_}; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    int side_;
    int step_ = 0;
    QTimer timer_;
};

} // namespace vesperline
