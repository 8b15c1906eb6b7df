#include "Model/StatusGlyph.h"

#include "Support/ViewPictures.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace vesperline {
namespace {

using StatusGlyph::Variant;

// Points of the 18 x 18 glyph that each inner mark covers, and points it leaves clear.
struct MarkCase {
    const char* name;
    Variant variant;
    std::vector<QPointF> inked;
    std::vector<QPointF> clear;
};

const QPointF textBar{7.6, 9.05}, textLineStart{4.6, 12.6}, textLineEnd{8.3, 12.6}, pauseLeft{5.95, 10.6},
    pauseRight{9.25, 10.6}, betweenPauseBars{7.6, 10.6}, exclamationStem{7.7, 9.0},
    exclamationDot{7.7, 13.55}, betweenStemAndDot{7.7, 12.3}, belowTheLine{10.5, 12.6};

const std::vector<MarkCase> markCases = {
    {"recording", Variant::recording, {textBar, textLineStart, textLineEnd}, {belowTheLine, pauseLeft}},
    {"held", Variant::held, {pauseLeft, pauseRight}, {betweenPauseBars, textLineStart}},
    {"attention", Variant::attention, {exclamationStem, exclamationDot}, {betweenStemAndDot, pauseLeft}},
};

constexpr qreal scale = 4;

bool inked(const QImage& picture, QPointF point) {
    return qAlpha(picture.pixel((point * scale).toPoint())) > 128;
}

TEST(StatusGlyphTest, EachVariantDrawsBothCardsAndItsOwnMark) {
    for (const MarkCase& mark : markCases) {
        SCOPED_TRACE(mark.name);
        const QImage picture = StatusGlyph::image(mark.variant, Qt::black, scale);
        ASSERT_EQ(picture.size(), QSize(72, 72));
        EXPECT_TRUE(testsupport::savePicture(picture, QString("status-glyph-%1").arg(mark.name)));
        // Back card: its top edge, its rounded corner and its right edge; front card: its outline.
        for (const QPointF point : {QPointF(10, 2.8), QPointF(15.6, 3.4), QPointF(16.2, 9), QPointF(1.7, 10),
                                    QPointF(7.6, 15.4), QPointF(13.5, 10)}) {
            EXPECT_TRUE(inked(picture, point)) << point.x() << "," << point.y();
        }
        // Inside the front card, away from the marks, and outside the cards.
        for (const QPointF point : {QPointF(3, 7), QPointF(12, 14), QPointF(17.5, 17.5), QPointF(0.5, 0.5)}) {
            EXPECT_FALSE(inked(picture, point)) << point.x() << "," << point.y();
        }
        for (const QPointF point : mark.inked) {
            EXPECT_TRUE(inked(picture, point)) << "mark at " << point.x() << "," << point.y();
        }
        for (const QPointF point : mark.clear) {
            EXPECT_FALSE(inked(picture, point)) << "clear at " << point.x() << "," << point.y();
        }
    }
}

TEST(StatusGlyphTest, VariantOfEachRecorderStatus) {
    const std::pair<RecorderStatus, Variant> cases[] = {
        {RecorderStatus::recording(false), Variant::recording},
        {RecorderStatus::recording(true), Variant::recording},
        {RecorderStatus::stopped(), Variant::held},
        {RecorderStatus::paused(), Variant::held},
        {RecorderStatus::locked(), Variant::held},
        {RecorderStatus::asleep(), Variant::held},
        {RecorderStatus::needsPermission(), Variant::attention},
    };
    for (const auto& [status, expected] : cases) {
        EXPECT_EQ(StatusGlyph::variant(status), expected) << static_cast<int>(status.kind);
    }
}

TEST(StatusGlyphTest, TheTrayIconCarriesEveryTraySizeAndReadsOnLightAndDarkPanels) {
    const QIcon icon = StatusGlyph::trayIcon(Variant::recording);
    for (const int size : {18, 27, 36, 54}) {
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
    }
    // On panels from black to white, in any appearance of the app, the glyph's strokes and their
    // contour differ plainly from the panel: the pixels that do make up the shape.
    const auto distinctPixels = [](const QImage& glyph, const QColor& panel) {
        QImage shown(glyph.size(), QImage::Format_ARGB32_Premultiplied);
        shown.fill(panel);
        QPainter painter(&shown);
        painter.drawImage(0, 0, glyph);
        painter.end();
        int distinct = 0;
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                const QColor pixel = shown.pixelColor(x, y);
                distinct += std::abs(pixel.lightness() - panel.lightness()) >= 110;
            }
        }
        return distinct;
    };
    for (const Variant variant : {Variant::recording, Variant::held, Variant::attention}) {
        const QImage glyph = StatusGlyph::trayImage(variant, 2);
        const int ownShape = distinctPixels(StatusGlyph::image(variant, Qt::black, 2), Qt::white);
        for (const QColor panel : {QColor(Qt::black), QColor(40, 40, 46), QColor(128, 128, 128),
                                   QColor(236, 236, 240), QColor(Qt::white)}) {
            EXPECT_GE(distinctPixels(glyph, panel), ownShape * 7 / 10)
                << int(variant) << " on " << panel.name().toStdString();
        }
    }

    // How the item looks on a dark and on a light panel, for a person to judge.
    QImage panel(3 * 54 + 4 * 12, 2 * (54 + 24), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&panel);
    int y = 0;
    for (const QColor ground : {QColor(40, 40, 46), QColor(236, 236, 240)}) {
        painter.fillRect(0, y, panel.width(), 54 + 24, ground);
        int x = 12;
        for (const Variant variant : {Variant::recording, Variant::held, Variant::attention}) {
            painter.drawPixmap(x, y + 12, StatusGlyph::trayIcon(variant).pixmap(QSize(54, 54)));
            x += 54 + 12;
        }
        y += 54 + 24;
    }
    painter.end();
    EXPECT_TRUE(testsupport::savePicture(panel, "status-glyph-on-panels"));
}

} // namespace
} // namespace vesperline
