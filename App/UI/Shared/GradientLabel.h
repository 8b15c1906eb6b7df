#pragma once

#include "UI/Theme/Theme.h"

#include <QWidget>

#include <optional>

namespace vesperline {

// A line of text, after a symbol when one is given, filled with the ink gradient across the whole
// line; in a text style of the theme, so it follows the application's font and appearance.
class GradientLabel final : public QWidget {
    Q_OBJECT

  public:
    GradientLabel(const QString& text, const std::optional<QString>& symbol, Theme::TextStyle style,
                  std::optional<QFont::Weight> weight = std::nullopt, QWidget* parent = nullptr);

    const QString& text() const { return text_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QFont textFont() const;
    int symbolSide() const;

    QString text_;
    std::optional<QString> symbol_;
    Theme::TextStyle style_;
    std::optional<QFont::Weight> weight_;
};

} // namespace vesperline
