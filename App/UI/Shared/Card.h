#pragma once

#include "UI/Theme/Theme.h"

#include <QWidget>

namespace vesperline {

// A section of a page: its content inset by `padding`, across the full width, on the card ground in
// a rounded rectangle with a thin separator line around it.
class Card final : public QWidget {
    Q_OBJECT

  public:
    explicit Card(QWidget* content, int padding = Theme::cardPadding, QWidget* parent = nullptr);

    QWidget* content() const { return content_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QWidget* content_;
};

} // namespace vesperline
