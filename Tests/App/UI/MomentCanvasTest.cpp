#include "UI/Moment/MomentCanvas.h"
#include "Support/ViewPictures.h"
#include "UI/Moment/MomentCanvasGeometry.h"

#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <QPromise>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace vesperline;
using platform::TextObservation;

namespace {

void expectRect(const QRectF& actual, const QRectF& expected) {
    EXPECT_NEAR(actual.x(), expected.x(), 1e-9);
    EXPECT_NEAR(actual.y(), expected.y(), 1e-9);
    EXPECT_NEAR(actual.width(), expected.width(), 1e-9);
    EXPECT_NEAR(actual.height(), expected.height(), 1e-9);
}

// One line of recognised text whose characters sit side by side, `width` each, from `x` (all
// normalised, lower-left origin); spaces get no box, as the recogniser leaves them.
TextObservation line(const std::string& text, double x, double y, double width, double height) {
    TextObservation observation;
    TextObservation::Candidate candidate;
    candidate.text = text;
    candidate.confidence = 0.9;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ') {
            candidate.characterBoxes.push_back(std::nullopt);
        } else {
            candidate.characterBoxes.push_back(
                ostrel::Rect{x + width * static_cast<double>(i), y, width, height});
        }
    }
    observation.boundingBox = {x, y, width * static_cast<double>(text.size()), height};
    observation.topCandidate = candidate;
    return observation;
}

// Two lines, the first above the second.
std::vector<TextObservation> twoLines() {
    return {line("Meeting at noon", 0.1, 0.3, 0.02, 0.05), line("Quarterly report", 0.1, 0.6, 0.02, 0.05)};
}

QImage picture(int width, int height, QColor colour = QColor(90, 140, 200)) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Readings the test answers itself, in any order.
struct Readings {
    std::vector<std::pair<QImage, std::shared_ptr<QPromise<std::optional<std::vector<TextObservation>>>>>>
        asked;

    MomentCanvas::Analyze analyze() {
        return [this](const QImage& image, LiveTextAnalyzer::Cancellation) {
            auto promise = std::make_shared<QPromise<std::optional<std::vector<TextObservation>>>>();
            promise->start();
            asked.emplace_back(image, promise);
            return promise->future();
        };
    }
    void answer(std::size_t index, std::vector<TextObservation> lines) {
        asked.at(index).second->addResult(std::optional(std::move(lines)));
        asked.at(index).second->finish();
    }
};

} // namespace

TEST(MomentCanvasTest, PicturesFitCentredAndBoxesFollowThem) {
    using namespace MomentCanvasGeometry;
    struct Case {
        const char* name;
        QSizeF picture;
        QRectF view;
        QRectF expected;
    };
    const Case cases[] = {
        {"wider than the view: equal bands above and below",
         {1600, 400},
         {0, 0, 800, 600},
         {0, 200, 800, 200}},
        {"taller than the view: equal bands left and right",
         {300, 600},
         {0, 0, 800, 600},
         {250, 0, 300, 600}},
        {"smaller than the view: scaled up", {160, 120}, {0, 0, 800, 600}, {0, 0, 800, 600}},
        {"empty picture", {0, 0}, {0, 0, 800, 600}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectRect(fitted(c.picture, c.view), c.expected);
    }
    // Boxes count from the picture's lower left; the view from its upper left.
    const QRectF drawn(0, 200, 800, 200);
    expectRect(onPicture({0.25, 0.5, 0.5, 0.25}, drawn), {200, 250, 400, 50});
    // A box at the picture's left edge starts 3 points left of it, and grows 2 points up and down.
    expectRect(highlight({0, 0, 0.1, 0.1}, drawn), {-3, 378, 86, 24});
}

TEST(MomentCanvasTest, NewBoxesForThePictureShownAreDrawnWithoutReadingItAgain) {
    Readings readings;
    MomentCanvas canvas(readings.analyze(), std::chrono::milliseconds(0));
    canvas.resize(800, 600);
    canvas.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&canvas));
    const QImage shown = picture(1600, 400);
    canvas.setContent(shown, {});
    EXPECT_TRUE(canvas.highlightRects().empty());
    canvas.setFocus(); // the user came to the picture: its text is read
    ASSERT_TRUE(QTest::qWaitFor([&] { return readings.asked.size() == 1; }));

    canvas.setContent(shown, {{0.5, 0.5, 0.1, 0.1}});
    ASSERT_EQ(canvas.highlightRects().size(), 1u);
    expectRect(canvas.highlightRects()[0], {397, 278, 86, 24});
    QTest::qWait(20);
    EXPECT_EQ(readings.asked.size(), 1u);
}

TEST(MomentCanvasTest, OnlyTheLastPicturesTextIsSelectable) {
    Readings readings;
    MomentCanvas canvas(readings.analyze(), std::chrono::milliseconds(0));
    canvas.resize(800, 600);
    canvas.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&canvas));
    canvas.setFocus();
    const QImage first = picture(800, 600, Qt::white);
    const QImage second = picture(800, 600, Qt::gray);
    canvas.setContent(first, {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return readings.asked.size() == 1; }));
    canvas.setContent(second, {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return readings.asked.size() == 2; }));
    EXPECT_EQ(readings.asked[1].first.cacheKey(), second.cacheKey());

    readings.answer(1, twoLines());
    readings.answer(0, {line("Stale words", 0.1, 0.1, 0.02, 0.05)}); // the first picture's, late
    ASSERT_TRUE(QTest::qWaitFor([&] { return canvas.hasLiveText(); }));
    QTest::qWait(20);
    QTest::keyClick(&canvas, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(canvas.selectedText().toStdString(), "Quarterly report\nMeeting at noon");
}

TEST(MomentCanvasTest, PicturesPassingByAreNotRead) {
    Readings readings;
    MomentCanvas canvas(readings.analyze(), std::chrono::milliseconds(50));
    canvas.resize(400, 300);
    canvas.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&canvas));
    canvas.setFocus();
    // A replay: each picture gives way to the next before it settles.
    std::vector<QImage> frames;
    for (int i = 0; i < 5; ++i) {
        frames.push_back(picture(400, 300, QColor(i * 40, 100, 100)));
        canvas.setContent(frames.back(), {});
        QTest::qWait(10);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return readings.asked.size() == 1; }));
    EXPECT_EQ(readings.asked[0].first.cacheKey(), frames.back().cacheKey());

    // Without the user's attention a settled picture is not read either; a press reads it at once.
    canvas.clearFocus();
    QEvent pointerLeft(QEvent::Leave);
    QApplication::sendEvent(&canvas, &pointerLeft);
    const QImage unattended = picture(400, 300, Qt::darkGreen);
    canvas.setContent(unattended, {});
    QTest::qWait(120);
    EXPECT_EQ(readings.asked.size(), 1u);
    QTest::mousePress(&canvas, Qt::LeftButton, {}, QPoint(200, 150));
    ASSERT_EQ(readings.asked.size(), 2u);
    EXPECT_EQ(readings.asked[1].first.cacheKey(), unattended.cacheKey());
    QTest::mouseRelease(&canvas, Qt::LeftButton, {}, QPoint(200, 150));
}

TEST(MomentCanvasTest, DraggingOverTheTextSelectsItAndCtrlCCopiesIt) {
    Readings readings;
    MomentCanvas canvas(readings.analyze(), std::chrono::milliseconds(0));
    canvas.resize(1000, 1000);
    canvas.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&canvas));
    canvas.setContent(picture(1000, 1000), {});
    canvas.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return readings.asked.size() == 1; }));
    readings.answer(0, twoLines());
    ASSERT_TRUE(QTest::qWaitFor([&] { return canvas.hasLiveText(); }));

    // "Quarterly report" spans x 100...420 at y 350...400 (from the top); "Meeting at noon" lies
    // below. From inside "report" to the middle of "Meeting".
    QTest::mousePress(&canvas, Qt::LeftButton, {}, QPoint(305, 375));
    QTest::mouseMove(&canvas, QPoint(175, 675));
    QTest::mouseRelease(&canvas, Qt::LeftButton, {}, QPoint(175, 675));
    EXPECT_EQ(canvas.selectedText().toStdString(), "report\nMeet");
    QApplication::clipboard()->clear();
    QTest::keyClick(&canvas, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "report\nMeet");

    // A click without a drag clears the selection.
    QTest::mouseClick(&canvas, Qt::LeftButton, {}, QPoint(305, 375));
    EXPECT_TRUE(canvas.selectedText().isEmpty());
}

TEST(MomentCanvasTest, TheLayoutReadsLinesInOrderAndFillsGapsBetweenWords) {
    const LiveTextLayout layout(twoLines());
    using Position = LiveTextLayout::Position;
    struct Case {
        const char* name;
        QPointF point;
        Position expected;
    };
    const Case cases[] = {
        {"before the first character", {0.05, 0.37}, {0, 0}},
        {"past a character's middle", {0.131, 0.37}, {0, 2}},
        {"in the gap left for a space", {0.291, 0.37}, {0, 10}},
        {"after the line's end", {0.9, 0.37}, {0, 16}},
        {"between the lines, nearer the second", {0.1, 0.63}, {1, 0}},
        {"below everything", {0.2, 0.99}, {1, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(layout.positionAt(c.point), c.expected);
    }
    EXPECT_EQ(layout.text({0, 10}, {0, 16}).toStdString(), "report");
    // Either order gives the same range.
    EXPECT_EQ(layout.text({1, 4}, {0, 10}).toStdString(), "report\nMeet");
    const auto rects = layout.selectionRects({0, 9}, {0, 11});
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_NEAR(rects[0].left(), 0.28, 1e-9); // the space's share begins where "y" ends
    EXPECT_NEAR(rects[0].right(), 0.32, 1e-9);
    EXPECT_TRUE(layout.isOnText({0.2, 0.37}));
    EXPECT_FALSE(layout.isOnText({0.2, 0.5}));
}

TEST(MomentCanvasTest, Pictures) {
    EXPECT_TRUE(testsupport::savePictures("moment-canvas-boxes", [] {
        auto canvas = std::make_unique<MomentCanvas>();
        const QSize size(1280, 800);
        QImage screen(size, QImage::Format_RGB32);
        screen.fill(Qt::white);
        QPainter painter(&screen);
        QFont font("DejaVu Sans");
        font.setPixelSize(40);
        painter.setFont(font);
        const QPoint origin(100, 200);
        painter.drawText(origin, "Quarterly report draft");
        painter.end();
        // The box of "report", measured from the font, normalised with the origin at the lower left.
        const QFontMetrics metrics(font);
        const double left = origin.x() + metrics.horizontalAdvance("Quarterly ");
        const double bottom = origin.y() + metrics.descent();
        canvas->resize(640, 480);
        canvas->setContent(screen, {{left / size.width(), 1.0 - bottom / size.height(),
                                     metrics.horizontalAdvance("report") / double(size.width()),
                                     metrics.height() / double(size.height())}});
        return canvas;
    }));
}
