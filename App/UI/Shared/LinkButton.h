#pragma once

#include "UI/Theme/Theme.h"

#include <QAbstractButton>

#include <optional>

namespace vesperline {

// A button drawn as a link: an optional symbol and a title in the palette's link colour, underlined
// under the pointer. The whole of it takes the click.
class LinkButton final : public QAbstractButton {
    Q_OBJECT

  public:
    explicit LinkButton(const QString& title, const std::optional<QString>& symbol = std::nullopt,
                        Theme::TextStyle style = Theme::TextStyle::body, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QFont titleFont() const;
    int symbolSide() const;

    std::optional<QString> symbol_;
    Theme::TextStyle style_;
};

} // namespace vesperline
