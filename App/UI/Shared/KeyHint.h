#pragma once

#include "UI/Theme/Theme.h"

#include <QString>

class QWidget;

namespace vesperline {

// A key or a shortcut shown as a hint: its name in the monospaced caption font, in `level`, on a
// faint rounded cap.
QWidget* makeKeyHint(const QString& text, Theme::Level level);

} // namespace vesperline
