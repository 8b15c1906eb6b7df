#include "Platform/Linux/TesseractTextRecognizer.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

using namespace vesperline;

namespace {

// Renders lines of text, dark on light or light on dark, as a BGRA picture.
ostrel::BGRAImage render(const std::vector<std::pair<QString, QPoint>>& lines, bool darkMode, QSize size = {800, 300}) {
    int argc = 0;
    static QGuiApplication* app = QGuiApplication::instance() ? nullptr : new QGuiApplication(argc, nullptr);
    (void)app;
    QImage image(size, QImage::Format_ARGB32);
    image.fill(darkMode ? QColor(30, 30, 30) : Qt::white);
    QPainter painter(&image);
    painter.setPen(darkMode ? QColor(230, 230, 230) : Qt::black);
    QFont font("DejaVu Sans");
    font.setPixelSize(28);
    painter.setFont(font);
    for (const auto& [text, origin] : lines) {
        painter.drawText(origin, text);
    }
    painter.end();
    ostrel::BGRAImage picture(size.width(), size.height());
    for (int y = 0; y < size.height(); ++y) {
        std::memcpy(picture.row(y), image.constScanLine(y), static_cast<std::size_t>(size.width()) * 4);
    }
    return picture;
}

TEST(TesseractTextRecognizerTest, ReadsRenderedLinesBackWithBoxes) {
    for (bool darkMode : {false, true}) {
        const ostrel::BGRAImage picture =
            render({{"Quarterly report draft", QPoint(40, 80)}, {"Meeting at noon", QPoint(40, 200)}}, darkMode);
        TesseractTextRecognizer recognizer;
        const auto lines = recognizer.recognize(picture.view(), std::nullopt, {"en-US"});
        ASSERT_EQ(lines.size(), 2u) << "dark mode " << darkMode;
        EXPECT_EQ(lines[0].topCandidate->text, "Quarterly report draft");
        EXPECT_EQ(lines[1].topCandidate->text, "Meeting at noon");
        EXPECT_GT(lines[0].topCandidate->confidence, 0.5);
        // Bottom-left origin: the first line lies higher, so its box starts further up.
        EXPECT_GT(lines[0].boundingBox.y, lines[1].boundingBox.y);
        EXPECT_EQ(lines[0].topCandidate->characterBoxes.size(), 22u);
        EXPECT_FALSE(lines[0].topCandidate->characterBoxes[9].has_value()); // the space
        EXPECT_TRUE(lines[0].topCandidate->characterBoxes[10].has_value());
    }
}

TEST(TesseractTextRecognizerTest, RegionOfInterestLimitsWhatIsRead) {
    const ostrel::BGRAImage picture =
        render({{"Quarterly report draft", QPoint(40, 80)}, {"Meeting at noon", QPoint(40, 200)}}, false);
    TesseractTextRecognizer recognizer;
    // The lower half of the picture, in bottom-left coordinates.
    const auto lines = recognizer.recognize(picture.view(), ostrel::Rect{0, 0, 1, 0.5}, {"en-US"});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].topCandidate->text, "Meeting at noon");
    EXPECT_LT(lines[0].boundingBox.maxY(), 0.5);
}

TEST(TesseractTextRecognizerTest, ListsEnglishAndRejectsAnEmptyImage) {
    TesseractTextRecognizer recognizer;
    const auto languages = recognizer.supportedLanguages();
    EXPECT_NE(std::find(languages.begin(), languages.end(), "en-US"), languages.end());
    EXPECT_THROW(recognizer.recognize(ostrel::BGRAImageView{}, std::nullopt, {"en-US"}), TextRecognitionError);
}

} // namespace
