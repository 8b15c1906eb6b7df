#include "UI/Theme/Theme.h"
#include "Support/ViewPictures.h"

#include <QLabel>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace vesperline;
using Theme::Appearance;

namespace {

struct Triple {
    double red, green, blue;
};

void expectColor(const QColor& color, Triple expected, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_NEAR(color.redF(), expected.red, 1e-4);
    EXPECT_NEAR(color.greenF(), expected.green, 1e-4);
    EXPECT_NEAR(color.blueF(), expected.blue, 1e-4);
    EXPECT_EQ(color.alphaF(), 1.0f);
}

QList<QColor> stopColors(const QGradient& gradient) {
    QList<QColor> colors;
    for (const QGradientStop& stop : gradient.stops()) {
        colors.append(stop.second);
    }
    return colors;
}

struct HueCase {
    const char* name;
    const Theme::Hue& hue;
    Triple pastel;
    Triple deep;
};

} // namespace

TEST(ThemeTest, HuesHaveTheirPastelsAndInksInBothAppearances) {
    const HueCase cases[] = {
        {"rose", Theme::rose, {0.965, 0.702, 0.776}, {0.808, 0.345, 0.502}},
        {"peach", Theme::peach, {0.976, 0.788, 0.639}, {0.835, 0.471, 0.235}},
        {"butter", Theme::butter, {0.969, 0.894, 0.624}, {0.69, 0.545, 0.078}},
        {"mint", Theme::mint, {0.682, 0.902, 0.788}, {0.176, 0.565, 0.4}},
        {"sky", Theme::sky, {0.686, 0.816, 0.957}, {0.247, 0.471, 0.78}},
        {"lavender", Theme::lavender, {0.804, 0.725, 0.953}, {0.475, 0.38, 0.78}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const HueCase& hue = cases[i];
        SCOPED_TRACE(hue.name);
        expectColor(hue.hue.pastel, hue.pastel, "pastel");
        expectColor(hue.hue.ink.resolved(Appearance::light), hue.deep, "light ink");
        EXPECT_EQ(hue.hue.ink.resolved(Appearance::dark), hue.hue.pastel);
        // The list of hues keeps the table's order.
        EXPECT_EQ(Theme::hues[i].pastel, hue.hue.pastel);
        EXPECT_EQ(Theme::hues[i].ink, hue.hue.ink);
    }
}

TEST(ThemeTest, AppPaletteIsThePastelsThenSixMoreColours) {
    for (std::size_t i = 0; i < Theme::hues.size(); ++i) {
        EXPECT_EQ(Theme::appPalette[i], Theme::hues[i].pastel);
    }
    const Triple more[] = {{0.969, 0.651, 0.604}, {0.8, 0.91, 0.62},     {0.62, 0.878, 0.898},
                           {0.722, 0.761, 0.957}, {0.898, 0.722, 0.918}, {0.98, 0.82, 0.58}};
    for (std::size_t i = 0; i < std::size(more); ++i) {
        expectColor(Theme::appPalette[6 + i], more[i], "palette entry");
    }
}

TEST(ThemeTest, SingleColours) {
    expectColor(Theme::ink, {0.16, 0.15, 0.22}, "ink");
    expectColor(Theme::highlight, {0.98, 0.78, 0.38}, "highlight");
    expectColor(Theme::red, {0.85, 0.33, 0.38}, "red");
    EXPECT_EQ(Theme::green, Theme::mint.ink);
    EXPECT_EQ(Theme::orange, Theme::peach.ink);
}

TEST(ThemeTest, AppColourIsStableAndGrayWithoutAnID) {
    EXPECT_EQ(Theme::appColor(std::nullopt), Theme::gray);
    EXPECT_EQ(Theme::appColor(std::string()), Theme::gray);
    // Published 64-bit FNV-1a values: "foobar" is 0x85944171f73967e8, a multiple of 12 away from
    // rose's entry; "a" is 0xaf63dc4c8601ec8c, which leaves 4 (sky).
    EXPECT_EQ(Theme::appColor("foobar"), Theme::rose.pastel);
    EXPECT_EQ(Theme::appColor("a"), Theme::sky.pastel);
    EXPECT_EQ(Theme::appColor("org.mozilla.firefox"), Theme::appColor(std::string("org.mozilla.firefox")));
}

TEST(ThemeTest, GradientsRunThroughTheHuesInOrder) {
    QList<QColor> pastels;
    for (const Theme::Hue& hue : Theme::hues) {
        pastels.append(hue.pastel);
    }
    EXPECT_EQ(stopColors(Theme::pastelBand), pastels);
    EXPECT_EQ(Theme::pastelBand.finalStop(), QPointF(1, 0));
    EXPECT_EQ(Theme::pastelWash.finalStop(), QPointF(1, 1));
    EXPECT_EQ(Theme::pastelBand.coordinateMode(), QGradient::ObjectMode);
    EXPECT_DOUBLE_EQ(Theme::pastelBand.stops().first().first, 0);
    EXPECT_DOUBLE_EQ(Theme::pastelBand.stops()[1].first, 0.2);
    EXPECT_DOUBLE_EQ(Theme::pastelBand.stops().last().first, 1);

    EXPECT_EQ(Theme::pastelGradient(1, false), Theme::pastelBand);
    EXPECT_EQ(Theme::pastelGradient(1, true), Theme::pastelWash);
    for (const QColor& color : stopColors(Theme::pastelGradient(0.4, false))) {
        EXPECT_NEAR(color.alphaF(), 0.4, 1e-3);
    }

    for (Appearance appearance : {Appearance::light, Appearance::dark}) {
        const QLinearGradient inks = Theme::inkGradient(appearance);
        const QList<QColor> expected = {
            Theme::rose.ink.resolved(appearance), Theme::peach.ink.resolved(appearance),
            Theme::mint.ink.resolved(appearance), Theme::sky.ink.resolved(appearance),
            Theme::lavender.ink.resolved(appearance)};
        EXPECT_EQ(stopColors(inks), expected);
        EXPECT_FALSE(stopColors(inks).contains(Theme::butter.ink.resolved(appearance)));
        EXPECT_EQ(inks.finalStop(), QPointF(1, 1));
    }
}

TEST(ThemeTest, AppearanceIsJudgedFromThePalette) {
    EXPECT_EQ(Theme::appearance(testsupport::lightPalette()), Appearance::light);
    EXPECT_EQ(Theme::appearance(testsupport::darkPalette()), Appearance::dark);
    EXPECT_EQ(Theme::green.resolved(testsupport::darkPalette()), Theme::mint.pastel);
}

TEST(ThemeTest, TextStylesAreRelativeToTheApplicationFont) {
    const QFont previous = QApplication::font();
    QFont base("DejaVu Sans");
    base.setPointSizeF(10.4);
    QApplication::setFont(base);
    EXPECT_DOUBLE_EQ(Theme::font(Theme::TextStyle::body).pointSizeF(), 10.4);
    EXPECT_DOUBLE_EQ(Theme::font(Theme::TextStyle::title3).pointSizeF(), 12);
    EXPECT_DOUBLE_EQ(Theme::font(Theme::TextStyle::caption).pointSizeF(), 8);
    EXPECT_EQ(Theme::font(Theme::TextStyle::headline).weight(), QFont::DemiBold);
    EXPECT_EQ(Theme::font(Theme::TextStyle::callout).weight(), QFont::Normal);
    EXPECT_EQ(Theme::font(Theme::TextStyle::callout, QFont::DemiBold).weight(), QFont::DemiBold);
    EXPECT_DOUBLE_EQ(Theme::font(26, QFont::Bold).pointSizeF(), 20.8);

    QFont pixels("DejaVu Sans");
    pixels.setPixelSize(13);
    QApplication::setFont(pixels);
    EXPECT_EQ(Theme::font(Theme::TextStyle::largeTitle).pixelSize(), 26);
    QApplication::setFont(previous);
}

TEST(ThemeTest, StyledTextFollowsPaletteAndFontChanges) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* label = new QLabel("Select a moment to see it.");
    layout->addWidget(label);
    Theme::applyText(label, Theme::TextStyle::callout, Theme::Level::secondary);
    // Styling again replaces the style rather than adding a second one.
    Theme::applyText(label, Theme::TextStyle::caption, Theme::Level::secondary);
    EXPECT_EQ(label->findChildren<QObject*>("themeText").size(), 1);
    EXPECT_EQ(label->font(), Theme::font(Theme::TextStyle::caption));

    const QColor lightText = testsupport::lightPalette().color(QPalette::WindowText);
    {
        testsupport::ScopedPalette light(testsupport::lightPalette());
        EXPECT_EQ(label->palette().color(QPalette::WindowText),
                  Theme::textColor(testsupport::lightPalette(), Theme::Level::secondary));
    }
    {
        testsupport::ScopedPalette dark(testsupport::darkPalette());
        const QColor shown = label->palette().color(QPalette::WindowText);
        EXPECT_EQ(shown, Theme::textColor(testsupport::darkPalette(), Theme::Level::secondary));
        EXPECT_NE(shown.rgb(), lightText.rgb());
        // The rest of the palette still comes from the window.
        EXPECT_EQ(label->palette().color(QPalette::Window),
                  testsupport::darkPalette().color(QPalette::Window));
    }

    const QFont previous = QApplication::font();
    QFont larger = previous;
    larger.setPointSizeF(previous.pointSizeF() * 2);
    QApplication::setFont(larger);
    QApplication::processEvents();
    EXPECT_NEAR(label->font().pointSizeF(), larger.pointSizeF() * 10 / 13, 1e-6);
    QApplication::setFont(previous);
    QApplication::processEvents();
}
