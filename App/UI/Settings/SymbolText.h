#pragma once

#include "UI/Theme/Theme.h"

#include <QWidget>

#include <variant>

class QLabel;

namespace vesperline {

class SymbolLabel;

// A symbol before a wrapped text, both in one text level or in one colour that follows the
// appearance, such as a warning in peach.
class SymbolText final : public QWidget {
    Q_OBJECT

  public:
    using Tint = std::variant<Theme::Level, Theme::DynamicColor>;

    SymbolText(const QString& symbol, const QString& text, Theme::TextStyle style,
               Tint tint = Theme::Level::primary, QWidget* parent = nullptr);

    QLabel* label() const { return label_; }
    void setText(const QString& text);
    // Another symbol and tint in place of the ones shown.
    void setSymbol(const QString& symbol, Tint tint);

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void tint();

    Theme::TextStyle style_;
    Tint tint_;
    SymbolLabel* symbol_;
    QLabel* label_;
};

} // namespace vesperline
