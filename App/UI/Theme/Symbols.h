#pragma once

#include <QBrush>
#include <QIcon>
#include <QPixmap>
#include <QString>

#include <vector>

// The glyphs screens show, by the names the screens use ("magnifyingglass", "trash"). Each name is
// looked up in the user's icon theme, when there is one, under its freedesktop name (the symbolic
// variant first) and otherwise drawn from the application's own picture of it, so every symbol shows
// with no icon theme at all. Main thread only.
namespace vesperline::Symbols {

struct Symbol {
    const char* name;
    // The freedesktop icon name; empty when no standard icon means the same.
    const char* themeName;
};

// Every symbol, in name order.
const std::vector<Symbol>& all();

// Whether symbols are looked up in the icon theme named `themeName` (`QIcon::themeName()`). A desktop
// that names no theme leaves Qt on hicolor, the theme every theme inherits: it holds applications'
// icons, not the action icons looked up here, and reading its long index would only delay the first
// window.
bool looksUpIconTheme(const QString& themeName);

// The icon of `name`, from the icon theme or else bundled, drawn in the application palette's text
// colour (fainter when disabled), so it reads in a light and a dark appearance alike; a name that is
// not in the table gives a null icon and a warning in the log.
QIcon icon(const QString& name);
// The bundled picture of `name` alone (a null icon for an unknown name).
QIcon bundled(const QString& name);

// `name` drawn in a square of `pixels` (device-independent) and filled with `brush`, a colour or a
// gradient spread over the square, for a screen of the given pixel ratio. Null for an unknown name.
QPixmap pixmap(const QString& name, int pixels, const QBrush& brush, qreal devicePixelRatio);

} // namespace vesperline::Symbols
