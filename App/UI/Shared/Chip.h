#pragma once

#include <QAbstractButton>

#include <optional>

namespace vesperline {

// A capsule-shaped filter button: an optional symbol and a title; a selected chip is drawn on the
// pastel band in the theme's ink, with a semibold title. The whole capsule takes the click.
class Chip final : public QAbstractButton {
    Q_OBJECT

  public:
    explicit Chip(const QString& title, const std::optional<QString>& symbol = std::nullopt,
                  bool selected = false, QWidget* parent = nullptr);

    void setSelected(bool selected);
    bool selected() const { return selected_; }
    const std::optional<QString>& symbol() const { return symbol_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;

  private:
    QFont titleFont() const;
    int symbolSide() const;

    std::optional<QString> symbol_;
    bool selected_;
};

} // namespace vesperline
