#include "UI/Theme/Symbols.h"
#include "Support/LogCapture.h"
#include "Support/ViewPictures.h"
#include "UI/Theme/Theme.h"

#include <QDir>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QSet>

#include <gtest/gtest.h>

using namespace vesperline;

namespace {

// How many pixels of a drawing are not transparent.
int coveredPixels(const QImage& image) {
    int covered = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            covered += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
        }
    }
    return covered;
}

QImage drawn(const QIcon& icon, int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    icon.paint(&painter, image.rect());
    return image;
}

} // namespace

TEST(SymbolsTest, EverySymbolShowsWithOrWithoutAnIconTheme) {
    ASSERT_FALSE(Symbols::all().empty());
    for (const Symbols::Symbol& symbol : Symbols::all()) {
        SCOPED_TRACE(symbol.name);
        EXPECT_FALSE(Symbols::icon(symbol.name).isNull());
        // The bundled drawing alone draws something at the sizes screens use.
        const QIcon bundled = Symbols::bundled(symbol.name);
        ASSERT_FALSE(bundled.isNull());
        for (int side : {12, 16, 38}) {
            const int covered = coveredPixels(drawn(bundled, side));
            EXPECT_GT(covered, side * side / 25) << side;
            EXPECT_LT(covered, side * side) << side;
        }
    }
}

TEST(SymbolsTest, OnlyADesktopsOwnIconThemeIsLookedUp) {
    EXPECT_TRUE(Symbols::looksUpIconTheme("Adwaita"));
    EXPECT_TRUE(Symbols::looksUpIconTheme("breeze-dark"));
    EXPECT_FALSE(Symbols::looksUpIconTheme("hicolor")) << "the fallback every theme inherits";
    EXPECT_FALSE(Symbols::looksUpIconTheme(""));
}

TEST(SymbolsTest, TheBundleHoldsExactlyTheTablesDrawings) {
    QSet<QString> names;
    for (const Symbols::Symbol& symbol : Symbols::all()) {
        names.insert(QString(symbol.name) + ".svg");
    }
    Symbols::bundled("checkmark"); // registers the bundle
    const QStringList files = QDir(":/symbols").entryList(QDir::Files);
    EXPECT_EQ(QSet<QString>(files.begin(), files.end()), names);
}

TEST(SymbolsTest, AnUnknownNameGivesNothingAndSaysSo) {
    testsupport::LogCapture log;
    EXPECT_TRUE(Symbols::icon("no.such.symbol").isNull());
    EXPECT_TRUE(Symbols::bundled("../symbols/checkmark").isNull());
    EXPECT_TRUE(Symbols::pixmap("no.such.symbol", 16, Qt::red, 1).isNull());
    EXPECT_GE(log.count("Unknown symbol: no.such.symbol"), 1);
}

TEST(SymbolsTest, PixmapsTakeTheColourOfTheBrushAtTheScreensRatio) {
    const QColor colour(200, 40, 60);
    const QPixmap pixmap = Symbols::pixmap("magnifyingglass", 16, colour, 2);
    ASSERT_FALSE(pixmap.isNull());
    EXPECT_EQ(pixmap.size(), QSize(32, 32));
    EXPECT_EQ(pixmap.devicePixelRatio(), 2);
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) == 255) {
                ++opaque;
                EXPECT_EQ(QColor(pixel).rgb(), colour.rgb());
            }
        }
    }
    EXPECT_GT(opaque, 0);
}

TEST(SymbolsTest, IconsTakeTheTextColourOfTheAppearance) {
    // Every opaque pixel of the glyph, as a button draws it, is the palette's text colour.
    const auto inkOf = [](QIcon::Mode mode) {
        const QImage image = Symbols::icon("play.fill")
                                 .pixmap(QSize(24, 24), mode)
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32);
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (qAlpha(image.pixel(x, y)) == 255) {
                    colours.insert(image.pixel(x, y));
                }
            }
        }
        return colours;
    };
    for (const auto& [name, palette] : testsupport::appearances()) {
        SCOPED_TRACE(name);
        testsupport::ScopedPalette appearance(palette);
        EXPECT_EQ(inkOf(QIcon::Normal), QSet<QRgb>{palette.color(QPalette::WindowText).rgba()});
        // Disabled glyphs are fainter: no pixel of them is fully opaque.
        EXPECT_TRUE(inkOf(QIcon::Disabled).isEmpty());
    }
}

TEST(SymbolsTest, Pictures) {
    // Every bundled drawing at two sizes, for whoever draws a new one.
    EXPECT_TRUE(testsupport::savePictures("symbols", [] {
        auto window = std::make_unique<QWidget>();
        auto* grid = new QGridLayout(window.get());
        const QColor ink = Theme::textColor(window->palette(), Theme::Level::primary);
        int cell = 0;
        for (const Symbols::Symbol& symbol : Symbols::all()) {
            for (int side : {16, 32}) {
                auto* glyph = new QLabel;
                glyph->setToolTip(symbol.name);
                const QIcon drawing = Symbols::bundled(symbol.name);
                QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
                image.fill(Qt::transparent);
                QPainter painter(&image);
                drawing.paint(&painter, image.rect());
                painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
                painter.fillRect(image.rect(), ink);
                painter.end();
                glyph->setPixmap(QPixmap::fromImage(image));
                grid->addWidget(glyph, cell / 12, 2 * (cell % 12) + (side == 16 ? 0 : 1));
            }
            ++cell;
        }
        return window;
    }));
}
