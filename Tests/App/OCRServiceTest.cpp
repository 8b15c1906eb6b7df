#include "Capture/OCRService.h"
#include "Platform/Fake/FakeTextRecognizer.h"

#include <gtest/gtest.h>

#include <thread>

using namespace vesperline;
using namespace vesperline::platform;
using ostrel::Rect;

namespace {

TextObservation line(std::string text, Rect box, double confidence = 0.9) {
    TextObservation observation;
    observation.boundingBox = box;
    TextObservation::Candidate candidate;
    candidate.text = std::move(text);
    candidate.confidence = confidence;
    observation.topCandidate = candidate;
    return observation;
}

const ostrel::BGRAImage picture(40, 20);

TEST(OCRServiceTest, ChoosesUpToThreeLanguagesFromThePreferredOnes) {
    struct Case {
        std::vector<std::string> supported, preferred, expected;
    };
    const Case cases[] = {
        {{"en-US", "en-GB", "tr-TR", "de-DE"}, {"tr-TR", "en-GB"}, {"tr-TR", "en-US"}},
        {{"en-GB", "tr-TR", "en-US"}, {"en-GB"}, {"en-GB", "en-US"}},
        {{"de-DE", "fr-FR", "es-ES", "en-US"}, {"de", "fr", "es", "en"}, {"de-DE", "fr-FR", "es-ES"}},
        {{"fr-FR"}, {"de-DE"}, {}},
        {{}, {"tr-TR"}, {"en-US"}}, // no list from the engine: English alone
        {{"en-US", "tr-TR"}, {"tr-TR", "tr-CY"}, {"tr-TR", "en-US"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OCRService::chooseLanguages(c.supported, c.preferred), c.expected);
    }
    FakeTextRecognizer recognizer;
    recognizer.languages = {"en-US", "tr-TR"};
    EXPECT_EQ(OCRService(recognizer, {"tr-TR"}).languages(), (std::vector<std::string>{"tr-TR", "en-US"}));
}

TEST(OCRServiceTest, LanguagesAreChosenOnceOnTheFirstRecognitionsThreadNotAtCreation) {
    FakeTextRecognizer recognizer;
    recognizer.languages = {"en-US", "tr-TR"};
    const OCRService ocr(recognizer, {"tr-TR"});
    EXPECT_EQ(recognizer.listings, 0); // creating it loads no engine

    const ostrel::BGRAImage image(40, 20);
    std::thread::id worker;
    std::thread([&] {
        worker = std::this_thread::get_id();
        ocr.recognize(image.view(), std::nullopt);
        ocr.recognize(image.view(), std::nullopt);
    }).join();
    EXPECT_EQ(recognizer.listings, 1);
    EXPECT_EQ(recognizer.listedOn.load(), worker);
    EXPECT_EQ(recognizer.lastLanguages, (std::vector<std::string>{"tr-TR", "en-US"}));
}

TEST(OCRServiceTest, RegionOfInterestTurnsToTheRecognisersOrigin) {
    struct Case {
        ostrel::RelativeRect region;
        std::optional<Rect> expected;
    };
    const Case cases[] = {
        {{0.1, 0.2, 0.5, 0.4}, Rect{0.1, 0.4, 0.5, 0.4}},
        {{0.1, 0.2, 0.05, 0.4}, std::nullopt},             // too narrow
        {{-0.2, 0.0, 0.5, 1.0}, Rect{0.0, 0.0, 0.5, 1.0}}, // moved in, width kept
        {{0.0, 0.9, 0.5, 0.3}, Rect{0.0, 0.0, 0.5, 0.1}},  // cut at the bottom edge
        {{0.97, 0.0, 0.5, 0.5}, std::nullopt},             // what is left is too narrow
    };
    for (const Case& c : cases) {
        const auto region = OCRService::recognitionRegion(c.region);
        ASSERT_EQ(region.has_value(), c.expected.has_value());
        if (region) {
            EXPECT_NEAR(region->x, c.expected->x, 1e-9);
            EXPECT_NEAR(region->y, c.expected->y, 1e-9);
            EXPECT_NEAR(region->width, c.expected->width, 1e-9);
            EXPECT_NEAR(region->height, c.expected->height, 1e-9);
        }
    }
    FakeTextRecognizer recognizer;
    OCRService service(recognizer, {"en-US"});
    service.recognize(picture.view(), ostrel::RelativeRect{0.1, 0.2, 0.05, 0.4});
    EXPECT_FALSE(recognizer.lastRegionOfInterest.has_value());
    EXPECT_EQ(recognizer.lastLanguages, std::vector<std::string>{"en-US"});
}

TEST(OCRServiceTest, LinesComeInReadingOrder) {
    const std::vector<TextObservation> observations = {
        line("right", {0.6, 0.4990 - 0.01, 0.2, 0.02}),
        line("left", {0.1, 0.5010 - 0.01, 0.2, 0.02}), // same row: ordered by x
        line("below", {0.0, 0.4970 - 0.01, 0.2, 0.02}),
        line("above", {0.5, 0.5030 - 0.01, 0.2, 0.02}),
        line("unsure", {0.0, 0.9, 0.2, 0.02}, 0.29),
        line("top", {0.9, 0.95, 0.05, 0.02}, 0.3),
    };
    EXPECT_EQ(OCRService::orderedLines(observations),
              (std::vector<std::string>{"top", "above", "left", "right", "below"}));
    TextObservation noCandidate;
    EXPECT_TRUE(OCRService::orderedLines({noCandidate}).empty());
}

TEST(OCRServiceTest, FailedRecognitionReadsAsNoLines) {
    FakeTextRecognizer recognizer;
    recognizer.fails = true;
    OCRService service(recognizer, {"en-US"});
    EXPECT_TRUE(service.recognize(picture.view(), std::nullopt).empty());
}

TEST(OCRServiceTest, HighlightBoxesPerOccurrence) {
    FakeTextRecognizer recognizer;
    TextObservation placed = line("Open the Report", {0.1, 0.5, 0.6, 0.1});
    placed.topCandidate->characterBoxes.assign(15, std::nullopt);
    for (std::size_t i = 9; i < 15; ++i) { // "Report", one box per character
        placed.topCandidate->characterBoxes[i] = Rect{0.1 + 0.04 * static_cast<double>(i), 0.5, 0.04, 0.1};
    }
    TextObservation unplaced = line("report, REPORT", {0.1, 0.2, 0.5, 0.1}, 0.1); // confidence is not checked
    TextObservation unrelated = line("nothing here", {0.1, 0.8, 0.5, 0.1});
    recognizer.observations = {placed, unplaced, unrelated};
    OCRService service(recognizer, {"en-US"});

    const auto boxes = service.highlightBoxes({"RÉPORT", "x"}, picture.view());
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_NEAR(boxes[0].x, 0.1 + 0.04 * 9, 1e-9);
    EXPECT_NEAR(boxes[0].width, 0.04 * 6, 1e-9);
    EXPECT_EQ(boxes[1], unplaced.boundingBox); // nothing placed: the whole line
    EXPECT_EQ(boxes[2], unplaced.boundingBox);

    const int callsBefore = recognizer.calls;
    EXPECT_TRUE(service.highlightBoxes({"r", "", " "}, picture.view()).empty());
    EXPECT_EQ(recognizer.calls, callsBefore); // no recognition for one-character terms
}

} // namespace
