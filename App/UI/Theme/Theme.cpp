#include "UI/Theme/Theme.h"

#include "Search/TextNormalizer.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QPointer>
#include <QSet>
#include <QWidget>

#include <algorithm>

namespace vesperline::Theme {

namespace {

QColor rgb(float red, float green, float blue) {
    return QColor::fromRgbF(red, green, blue);
}

Hue hue(QColor pastel, QColor deep) {
    return {pastel, DynamicColor(deep, pastel)};
}

QLinearGradient gradient(bool diagonal) {
    QLinearGradient gradient(0, 0, 1, diagonal ? 1 : 0);
    gradient.setCoordinateMode(QGradient::ObjectMode);
    return gradient;
}

void setEvenStops(QLinearGradient& gradient, const QList<QColor>& colors) {
    QGradientStops stops;
    for (qsizetype i = 0; i < colors.size(); ++i) {
        stops.append({colors.size() > 1 ? double(i) / double(colors.size() - 1) : 0.0, colors[i]});
    }
    gradient.setStops(stops);
}

struct StyleMetrics {
    double points; // on the scale where the body is 13 points
    QFont::Weight weight;
};

StyleMetrics metrics(TextStyle style) {
    switch (style) {
    case TextStyle::largeTitle:
        return {26, QFont::Normal};
    case TextStyle::title:
        return {22, QFont::Normal};
    case TextStyle::title2:
        return {17, QFont::Normal};
    case TextStyle::title3:
        return {15, QFont::Normal};
    case TextStyle::headline:
        return {13, QFont::DemiBold};
    case TextStyle::body:
        return {13, QFont::Normal};
    case TextStyle::callout:
        return {12, QFont::Normal};
    case TextStyle::subheadline:
        return {11, QFont::Normal};
    case TextStyle::footnote:
    case TextStyle::caption:
    case TextStyle::caption2:
        return {10, QFont::Normal};
    }
    return {13, QFont::Normal};
}

class TextFollower;

// Tells the styled widgets when the application's font changed. Qt tells only the windows, and a
// widget with a font of its own never hears of it, so one filter on the application listens for all.
class FontChanges final : public QObject {
  public:
    static FontChanges& shared() {
        static QPointer<FontChanges> changes;
        if (!changes) {
            changes = new FontChanges(qApp);
        }
        return *changes;
    }

    void add(TextFollower* follower);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit FontChanges(QObject* application) : QObject(application), font_(QGuiApplication::font()) {
        application->installEventFilter(this);
    }

    QFont font_;
    QSet<TextFollower*> followers_;
};

// Keeps a widget's text style and level while the application's font or the palette around the
// widget changes. The palette it sets holds only the text roles, so everything else still follows
// the parent; palette changes reach the widget after they reached its parent.
class TextFollower final : public QObject {
  public:
    TextFollower(QWidget* widget, TextStyle style, Level level, std::optional<QFont::Weight> weight)
        : QObject(widget), widget_(widget) {
        setObjectName("themeText");
        widget->installEventFilter(this);
        FontChanges::shared().add(this);
        update(style, level, weight);
    }

    void update(TextStyle style, Level level, std::optional<QFont::Weight> weight) {
        style_ = style;
        level_ = level;
        weight_ = weight;
        apply();
    }

    void apply() {
        if (!widget_) {
            return;
        }
        applying_ = true;
        const QFont styled = font(style_, weight_);
        if (widget_->font() != styled) {
            widget_->setFont(styled);
        }
        const QWidget* parent = widget_->parentWidget();
        const QColor color = textColor(parent ? parent->palette() : QApplication::palette(widget_), level_);
        if (widget_->palette().color(QPalette::WindowText) != color) {
            QPalette roles; // empty: sets only the roles below
            for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
                roles.setColor(role, color);
            }
            widget_->setPalette(roles);
        }
        applying_ = false;
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == widget_ && !applying_ &&
            (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange)) {
            apply();
        }
        return false;
    }

  private:
    QPointer<QWidget> widget_;
    TextStyle style_ = TextStyle::body;
    Level level_ = Level::primary;
    std::optional<QFont::Weight> weight_;
    bool applying_ = false;
};

void FontChanges::add(TextFollower* follower) {
    followers_.insert(follower);
    connect(follower, &QObject::destroyed, this, [this, follower] { followers_.remove(follower); });
}

bool FontChanges::eventFilter(QObject*, QEvent* event) {
    // Each window gets the event; the first one is enough.
    if (event->type() == QEvent::ApplicationFontChange && QGuiApplication::font() != font_) {
        font_ = QGuiApplication::font();
        for (TextFollower* follower : std::as_const(followers_)) {
            follower->apply();
        }
    }
    return false;
}

} // namespace

Appearance appearance(const QPalette& palette) {
    return palette.color(QPalette::Window).lightnessF() < palette.color(QPalette::WindowText).lightnessF()
               ? Appearance::dark
               : Appearance::light;
}

const Hue rose = hue(rgb(0.965f, 0.702f, 0.776f), rgb(0.808f, 0.345f, 0.502f));
const Hue peach = hue(rgb(0.976f, 0.788f, 0.639f), rgb(0.835f, 0.471f, 0.235f));
const Hue butter = hue(rgb(0.969f, 0.894f, 0.624f), rgb(0.69f, 0.545f, 0.078f));
const Hue mint = hue(rgb(0.682f, 0.902f, 0.788f), rgb(0.176f, 0.565f, 0.4f));
const Hue sky = hue(rgb(0.686f, 0.816f, 0.957f), rgb(0.247f, 0.471f, 0.78f));
const Hue lavender = hue(rgb(0.804f, 0.725f, 0.953f), rgb(0.475f, 0.38f, 0.78f));

const std::array<Hue, 6> hues = {rose, peach, butter, mint, sky, lavender};

const std::array<QColor, 12> appPalette = {
    rose.pastel,
    peach.pastel,
    butter.pastel,
    mint.pastel,
    sky.pastel,
    lavender.pastel,
    rgb(0.969f, 0.651f, 0.604f),
    rgb(0.8f, 0.91f, 0.62f),
    rgb(0.62f, 0.878f, 0.898f),
    rgb(0.722f, 0.761f, 0.957f),
    rgb(0.898f, 0.722f, 0.918f),
    rgb(0.98f, 0.82f, 0.58f),
};

const QColor ink = rgb(0.16f, 0.15f, 0.22f);
const QColor highlight = rgb(0.98f, 0.78f, 0.38f);
const QColor highlightEdge = rgb(0.93f, 0.58f, 0.22f);
const QColor pictureBackdrop = QColor::fromRgbF(0, 0, 0, 0.05f);
const QColor red = rgb(0.85f, 0.33f, 0.38f);
const QColor gray = QColor(142, 142, 147);
const QColor knob = QColor(Qt::white);
const DynamicColor green = mint.ink;
const DynamicColor orange = peach.ink;

const QLinearGradient pastelBand = pastelGradient(1, false);
const QLinearGradient pastelWash = pastelGradient(1, true);

QLinearGradient inkGradient(Appearance appearance) {
    QLinearGradient result = gradient(true);
    QList<QColor> colors;
    for (const Hue* hue : {&rose, &peach, &mint, &sky, &lavender}) {
        colors.append(hue->ink.resolved(appearance));
    }
    setEvenStops(result, colors);
    return result;
}

QLinearGradient pastelGradient(double opacity, bool diagonal) {
    QLinearGradient result = gradient(diagonal);
    QList<QColor> colors;
    for (const Hue& hue : hues) {
        QColor color = hue.pastel;
        color.setAlphaF(float(color.alphaF() * opacity));
        colors.append(color);
    }
    setEvenStops(result, colors);
    return result;
}

QLinearGradient colorGradient(const QColor& color) {
    QLinearGradient result(0, 0, 0, 1);
    result.setCoordinateMode(QGradient::ObjectBoundingMode);
    result.setColorAt(0, color.lighter(110));
    result.setColorAt(1, color);
    return result;
}

QPainterPath capsule(const QRectF& rect) {
    QPainterPath path;
    const double radius = rect.height() / 2;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QColor appColor(const std::optional<std::string>& bundleID) {
    if (!bundleID || bundleID->empty()) {
        return gray;
    }
    return appPalette[ostrel::TextNormalizer::stableHash(*bundleID) % appPalette.size()];
}

QFont font(TextStyle style, std::optional<QFont::Weight> weight) {
    const StyleMetrics styled = metrics(style);
    return font(styled.points, weight.value_or(styled.weight));
}

QFont monospacedFont(TextStyle style, std::optional<QFont::Weight> weight) {
    QFont result = font(style, weight);
    result.setFamilies({QFontDatabase::systemFont(QFontDatabase::FixedFont).family()});
    result.setStyleHint(QFont::Monospace);
    return result;
}

QFont font(double points, QFont::Weight weight) {
    QFont result = QGuiApplication::font();
    const double scale = points / metrics(TextStyle::body).points;
    if (result.pointSizeF() > 0) {
        result.setPointSizeF(result.pointSizeF() * scale);
    } else {
        result.setPixelSize(std::max(1, int(result.pixelSize() * scale + 0.5)));
    }
    result.setWeight(weight);
    return result;
}

QColor textColor(const QPalette& palette, Level level) {
    QColor color = palette.color(QPalette::WindowText);
    switch (level) {
    case Level::primary:
        break;
    case Level::secondary:
        color.setAlphaF(0.6f);
        break;
    case Level::tertiary:
        color.setAlphaF(0.36f);
        break;
    case Level::quaternary:
        color.setAlphaF(0.12f);
        break;
    }
    return color;
}

QColor separator(const QPalette& palette) {
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(0.16f);
    return color;
}

QColor blend(const QColor& base, const QColor& toward, double amount) {
    return QColor::fromRgbF(base.redF() + (toward.redF() - base.redF()) * amount,
                            base.greenF() + (toward.greenF() - base.greenF()) * amount,
                            base.blueF() + (toward.blueF() - base.blueF()) * amount);
}

QColor cardBackground(const QPalette& palette) {
    return blend(palette.color(QPalette::Window), palette.color(QPalette::WindowText), 0.04);
}

void applyText(QWidget* widget, TextStyle style, Level level, std::optional<QFont::Weight> weight) {
    if (auto* follower = dynamic_cast<TextFollower*>(
            widget->findChild<QObject*>("themeText", Qt::FindDirectChildrenOnly))) {
        follower->update(style, level, weight);
        return;
    }
    new TextFollower(widget, style, level, weight);
}

} // namespace vesperline::Theme
