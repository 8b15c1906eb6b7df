#pragma once

#include <QLayout>
#include <QList>

namespace vesperline {

// Lays its items out row by row in as many equal columns as fit at a minimum width (at least one),
// filling each row from the leading edge; an item takes its column's width and sits in the middle of
// its row's height. A wide space shows the items side by side, a narrow one wraps them.
class AdaptiveGridLayout final : public QLayout {
  public:
    AdaptiveGridLayout(int minimumColumnWidth, int columnSpacing, int rowSpacing, QWidget* parent = nullptr);
    ~AdaptiveGridLayout() override;

    // How many columns of at least `minimumWidth` fit in `width` with `spacing` between them.
    static int columns(int width, int minimumWidth, int spacing);

    void addItem(QLayoutItem* item) override;
    int count() const override { return static_cast<int>(items_.size()); }
    QLayoutItem* itemAt(int index) const override { return items_.value(index); }
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

  private:
    // Places the items in `rect` (only measures when `apply` is false); returns the height used.
    int arrange(const QRect& rect, bool apply) const;

    int minimumColumnWidth_;
    int columnSpacing_;
    int rowSpacing_;
    QList<QLayoutItem*> items_;
};

} // namespace vesperline
