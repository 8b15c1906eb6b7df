#pragma once

#include "UI/Theme/Theme.h"

#include <optional>

class QHBoxLayout;
class QLabel;
class QVBoxLayout;
class QWidget;

// The small pieces the pages put together: plain-text labels in a text style, and rows and columns
// without margins of their own.
namespace vesperline::PageParts {

QLabel* textLabel(Theme::TextStyle style, Theme::Level level = Theme::Level::primary,
                  std::optional<QFont::Weight> weight = std::nullopt, bool wraps = false);
// A layout of `widget`, its items `spacing` apart.
QVBoxLayout* column(QWidget* widget, int spacing);
QHBoxLayout* row(QWidget* widget, int spacing);

} // namespace vesperline::PageParts
