#pragma once

#include <QColor>
#include <QFont>
#include <QLinearGradient>
#include <QPainterPath>
#include <QPalette>

#include <array>
#include <optional>
#include <string>

class QWidget;

// The application's look in one place: the palette of six hues, the app colours, the gradients, the
// text styles and the hierarchical text colours. Screens take every colour, font and spacing from
// here; none of them holds a colour or font literal of its own.
//
// Colours that follow the appearance are `DynamicColor`s, resolved against the palette a widget
// paints with, so a switch between a light and a dark palette repaints them right.
namespace vesperline::Theme {

// A palette is dark when its window is darker than its text.
enum class Appearance { light, dark };
Appearance appearance(const QPalette& palette);

// A colour with one value for the light and one for the dark appearance; a fixed colour has the same
// value for both.
class DynamicColor {
  public:
    DynamicColor(const QColor& fixed) : light_(fixed), dark_(fixed) {}
    DynamicColor(const QColor& light, const QColor& dark) : light_(light), dark_(dark) {}

    QColor resolved(Appearance appearance) const { return appearance == Appearance::dark ? dark_ : light_; }
    QColor resolved(const QPalette& palette) const { return resolved(appearance(palette)); }

    bool operator==(const DynamicColor&) const = default;

  private:
    QColor light_;
    QColor dark_;
};

// One hue: a pastel for fills and gradients, the same in both appearances, and an ink for glyphs and
// text drawn in that hue: a deep tone in the light appearance, the pastel itself in the dark one.
struct Hue {
    QColor pastel;
    DynamicColor ink;
};

extern const Hue rose;
extern const Hue peach;
extern const Hue butter;
extern const Hue mint;
extern const Hue sky;
extern const Hue lavender;

// The six hues in this order; lists, days and chart series take them by position modulo 6.
extern const std::array<Hue, 6> hues;

// Twelve colours an app's colour is picked from: the six pastels, then six more.
extern const std::array<QColor, 12> appPalette;

extern const QColor ink;             // dark text and glyphs on pastel fills
extern const QColor highlight;       // matched search terms, the timeline's position marker
extern const QColor highlightEdge;   // the outline of a search term boxed on a picture
extern const QColor pictureBackdrop; // the ground a stored picture of the screen lies on
extern const QColor red;             // an error state
extern const QColor gray;            // the neutral colour: no app, nothing going on
extern const QColor knob;            // the knob of a switch, in either appearance
extern const DynamicColor green;     // a good state (recording, saving energy): mint's ink
extern const DynamicColor orange;    // a paused or warning state: peach's ink

// The six pastels from the leading to the trailing edge, and from the top-leading to the
// bottom-trailing corner. Gradients are in object coordinates: they stretch over whatever is filled.
extern const QLinearGradient pastelBand;
extern const QLinearGradient pastelWash;
// The inks of rose, peach, mint, sky and lavender (not butter), top-leading to bottom-trailing.
QLinearGradient inkGradient(Appearance appearance);
// The six pastels, each at `opacity`; diagonal or leading to trailing.
QLinearGradient pastelGradient(double opacity, bool diagonal);
// One colour, a little lighter at the top: the fill of a bar in one hue.
QLinearGradient colorGradient(const QColor& color);

// A capsule filling `rect`: a rounded rectangle whose ends are half circles.
QPainterPath capsule(const QRectF& rect);

// An app's colour: the same palette entry for the same id in every run and on every machine, taken
// by the id's 64-bit FNV-1a hash; gray when there is no id.
QColor appColor(const std::optional<std::string>& bundleID);

// Text styles, sized relative to the application's font, which is the body style.
enum class TextStyle {
    largeTitle,
    title,
    title2,
    title3,
    headline,
    body,
    callout,
    subheadline,
    footnote,
    caption,
    caption2,
};
// The style's font, in its own weight (headlines are semibold) unless `weight` is given.
QFont font(TextStyle style, std::optional<QFont::Weight> weight = std::nullopt);
// A font of `points` on the scale where the body style is 13 points, for the few texts and glyphs
// sized outside the styles.
QFont font(double points, QFont::Weight weight = QFont::Normal);
// The style's font in the system's monospaced face, as key names, code and figures that line up are
// shown.
QFont monospacedFont(TextStyle style, std::optional<QFont::Weight> weight = std::nullopt);

// Hierarchical text colours: the palette's text colour at falling strengths.
enum class Level { primary, secondary, tertiary, quaternary };
QColor textColor(const QPalette& palette, Level level);
// `base` moved `amount` (0 to 1) of the way toward `toward`, opaque.
QColor blend(const QColor& base, const QColor& toward, double amount);
// Lines between and around groups, and the ground of cards.
QColor separator(const QPalette& palette);
QColor cardBackground(const QPalette& palette);

// Gives a text widget (a label, a button) a style and a level, and keeps them while the application's
// font or palette changes.
void applyText(QWidget* widget, TextStyle style, Level level = Level::primary,
               std::optional<QFont::Weight> weight = std::nullopt);

// Layout of pages and cards.
constexpr int pageSpacing = 16;
constexpr int pagePadding = 20;
constexpr int cardPadding = 14;
constexpr double cardCornerRadius = 12;

} // namespace vesperline::Theme
