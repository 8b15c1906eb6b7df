#include "Platform/Linux/TesseractTextRecognizer.h"

#include <gtest/gtest.h>

#include "RenderedText.h"

using namespace vesperline;
using namespace vesperline::platform;

namespace {

using testsupport::renderText;

TEST(TesseractTextRecognizerTest, ReadsRenderedLinesBackWithBoxes) {
    for (bool darkMode : {false, true}) {
        const ostrel::BGRAImage picture = renderText(
            {{"Quarterly report draft", QPoint(40, 80)}, {"Meeting at noon", QPoint(40, 200)}}, darkMode);
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
        renderText({{"Quarterly report draft", QPoint(40, 80)}, {"Meeting at noon", QPoint(40, 200)}}, false);
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
    EXPECT_THROW(recognizer.recognize(ostrel::BGRAImageView{}, std::nullopt, {"en-US"}),
                 TextRecognitionError);
}

} // namespace
