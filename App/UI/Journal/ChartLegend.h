#pragma once

#include <QBrush>
#include <QString>
#include <QWidget>

#include <vector>

namespace vesperline {

// A chart's legend: a swatch of each series' colour and its name, in order from the leading edge,
// going on in a new line where the width ends.
class ChartLegend final : public QWidget {
    Q_OBJECT

  public:
    struct Item {
        QString name;
        QBrush brush;
    };

    explicit ChartLegend(QWidget* parent = nullptr);

    void setItems(std::vector<Item> items);
    const std::vector<Item>& items() const { return items_; }
    // Where each item (swatch and name) lies at `width`.
    std::vector<QRect> itemRects(int width) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    int itemWidth(const Item& item) const;

    std::vector<Item> items_;
};

} // namespace vesperline
