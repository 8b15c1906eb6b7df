#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

namespace testsupport {

// Counts the paint events a widget gets while the counter lives.
class PaintCounter final : public QObject {
  public:
    explicit PaintCounter(QWidget& widget) : widget_(widget) { widget_.installEventFilter(this); }
    ~PaintCounter() override { widget_.removeEventFilter(this); }
    PaintCounter(const PaintCounter&) = delete;
    PaintCounter& operator=(const PaintCounter&) = delete;

    int count() const { return count_; }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        count_ += event->type() == QEvent::Paint;
        return false;
    }

  private:
    QWidget& widget_;
    int count_ = 0;
};

} // namespace testsupport
