#pragma once

#include <QStringList>
#include <QWidget>

namespace vesperline {

// A row of mutually exclusive segments in one rounded track, the current one raised on the card
// ground with a semibold title. A click or the left and right arrow keys report the segment the
// user chose through `activated`; setting the current segment reports nothing.
class SegmentedControl final : public QWidget {
    Q_OBJECT

  public:
    explicit SegmentedControl(const QStringList& titles, QWidget* parent = nullptr);

    void setCurrentIndex(int index);
    int currentIndex() const { return current_; }
    int count() const { return static_cast<int>(titles_.size()); }
    // Where segment `index` is drawn.
    QRect segmentRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  signals:
    void activated(int index);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    int segmentWidth() const;

    QStringList titles_;
    int current_ = 0;
};

} // namespace vesperline
