#include "Capture/OCRService.h"
#include "Platform/Linux/TesseractTextRecognizer.h"
#include "RenderedText.h"

#include <gtest/gtest.h>

using namespace vesperline;
using namespace vesperline::platform;

namespace {

TEST(OCRServiceRecognitionTest, BoxesASearchTermWhereItStandsInThePicture) {
    const ostrel::BGRAImage picture =
        testsupport::renderText({{"Quarterly report draft", QPoint(40, 80)}}, false);
    TesseractTextRecognizer recognizer;
    OCRService service(recognizer, {"en-US"});

    const auto lines = OCRService::orderedLines(service.recognize(picture.view(), std::nullopt));
    EXPECT_EQ(lines, std::vector<std::string>{"Quarterly report draft"});

    const auto boxes = service.highlightBoxes({"Report"}, picture.view());
    ASSERT_EQ(boxes.size(), 1u);
    // "report" starts after "Quarterly " (about 190 px of 800) and spans about 90 px.
    EXPECT_GT(boxes[0].x, 0.2);
    EXPECT_LT(boxes[0].x, 0.32);
    EXPECT_GT(boxes[0].width, 0.07);
    EXPECT_LT(boxes[0].width, 0.16);
    // Bottom-left origin: a line drawn near the top has its box in the upper part.
    EXPECT_GT(boxes[0].y, 0.6);
}

TEST(OCRServiceRecognitionTest, AFullWidthRegionReadsItsOwnHalf) {
    const ostrel::BGRAImage picture = testsupport::renderText(
        {{"Quarterly report draft", QPoint(40, 80)}, {"Meeting at noon", QPoint(40, 200)}}, false);
    TesseractTextRecognizer recognizer;
    OCRService service(recognizer, {"en-US"});
    // Window rectangles count from the top: this is the upper half, as wide as the screen.
    const auto upper =
        OCRService::orderedLines(service.recognize(picture.view(), ostrel::RelativeRect{0, 0, 1, 0.5}));
    EXPECT_EQ(upper, std::vector<std::string>{"Quarterly report draft"});
    const auto lower =
        OCRService::orderedLines(service.recognize(picture.view(), ostrel::RelativeRect{0, 0.5, 1, 0.5}));
    EXPECT_EQ(lower, std::vector<std::string>{"Meeting at noon"});
}

} // namespace
