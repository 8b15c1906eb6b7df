#pragma once

#include "UI/Theme/Theme.h"

#include <QLabel>

#include <variant>

namespace vesperline {

// A symbol sized to go with a text style, tinted with a hierarchical text level, with a colour that
// follows the appearance or with the ink gradient. It draws itself again when the palette or the font
// changes.
class SymbolLabel final : public QLabel {
    Q_OBJECT

  public:
    // The ink gradient of the appearance, as the glyph of a search field is painted.
    struct InkGradient {};

    SymbolLabel(const QString& symbol, Theme::TextStyle style, Theme::Level level, QWidget* parent = nullptr);
    SymbolLabel(const QString& symbol, Theme::TextStyle style, const Theme::DynamicColor& color,
                QWidget* parent = nullptr);
    SymbolLabel(const QString& symbol, Theme::TextStyle style, InkGradient, QWidget* parent = nullptr);

    const QString& symbol() const { return symbol_; }
    // Draws another symbol, in another tint.
    void setSymbol(const QString& symbol, Theme::Level level);
    void setSymbol(const QString& symbol, const Theme::DynamicColor& color);

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void draw();

    QString symbol_;
    Theme::TextStyle style_;
    std::variant<Theme::Level, Theme::DynamicColor, InkGradient> tint_;
};

} // namespace vesperline
