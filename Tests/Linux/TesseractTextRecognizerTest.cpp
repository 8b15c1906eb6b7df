#include "Platform/Linux/TesseractTextRecognizer.h"
#include "Platform/Linux/TesseractMessages.h"
#include "Support/ThreadNames.h"

#include <gtest/gtest.h>
#include <leptonica/allheaders.h>

#include <QDeadlineTimer>
#include <QThread>

#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include <pthread.h>

#include "RenderedText.h"

using namespace vesperline;
using namespace vesperline::platform;

namespace {

using testsupport::renderText;
using testsupport::threadsNamed;

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

TEST(TesseractTextRecognizerTest, RegionOfInterestLimitsWhatIsReadAndBoxesStayInTheWholeImage) {
    const ostrel::BGRAImage picture =
        renderText({{"Quarterly report draft", QPoint(40, 80)}, {"Meeting at noon", QPoint(40, 200)}}, false);
    TesseractTextRecognizer recognizer;
    // Bottom-left coordinates: the lower half, the upper half (both as wide as the picture), and a
    // part of the upper half that starts a little right of the picture's edge.
    const struct {
        ostrel::Rect region;
        const char* text;
        bool upper;
    } cases[] = {
        {{0, 0, 1, 0.5}, "Meeting at noon", false},
        {{0, 0.5, 1, 0.5}, "Quarterly report draft", true},
        {{0.02, 0.5, 0.6, 0.5}, "Quarterly report draft", true},
    };
    for (const auto& c : cases) {
        const auto lines = recognizer.recognize(picture.view(), c.region, {"en-US"});
        ASSERT_EQ(lines.size(), 1u) << c.text;
        EXPECT_EQ(lines[0].topCandidate->text, c.text);
        const ostrel::Rect& box = lines[0].boundingBox;
        EXPECT_EQ(box.y >= 0.5, c.upper) << c.text;
        EXPECT_GE(box.x, c.region.x) << c.text;
        EXPECT_LE(box.maxX(), c.region.maxX()) << c.text;
        EXPECT_GE(box.y, c.region.y) << c.text;
        EXPECT_LE(box.maxY(), c.region.maxY()) << c.text;
        // The lines start 40 px into the 800 px picture, whatever part of it was read.
        EXPECT_NEAR(box.x, 0.05, 0.02) << c.text;
    }
}

TEST(TesseractTextRecognizerTest, ARecognitionPassRunsOnItsCallersThreadAlone) {
    // A page of lines: the engine's parallel loops would ask for their teams on every one of them.
    std::vector<std::pair<QString, QPoint>> page;
    for (int i = 0; i < 8; ++i) {
        page.push_back(
            {QStringLiteral("Line %1 of the harbour master's tide tables").arg(i), QPoint(20, 40 + i * 34)});
    }
    const ostrel::BGRAImage picture = renderText(page, false, {800, 320});
    TesseractTextRecognizer recognizer;
    int threads = 0;
    std::size_t lines = 0;
    std::thread([&] {
        pthread_setname_np(pthread_self(), "ocr-pass");
        lines = recognizer.recognize(picture.view(), std::nullopt, {"en-US"}).size();
        // The runtime keeps a team's threads for their creator's next loop, so they are still here.
        threads = threadsNamed("ocr-pass");
    }).join();
    EXPECT_EQ(lines, 8u);
    EXPECT_EQ(threads, 1);
}

TEST(TesseractTextRecognizerTest, ListsEnglishAndRejectsAnEmptyImage) {
    TesseractTextRecognizer recognizer;
    const auto languages = recognizer.supportedLanguages();
    EXPECT_NE(std::find(languages.begin(), languages.end(), "en-US"), languages.end());
    EXPECT_THROW(recognizer.recognize(ostrel::BGRAImageView{}, std::nullopt, {"en-US"}),
                 TextRecognitionError);
}

TEST(TesseractTextRecognizerTest, WhatTheEnginesPrintGoesWhereItIsRouted) {
    struct Received {
        std::mutex mutex;
        std::vector<std::string> lines;
        bool has(const std::string& start) {
            std::lock_guard lock(mutex);
            return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
                return line.rfind(start, 0) == 0 && line.find('\n') == std::string::npos;
            });
        }
    };
    // Shared with the handler, which may still run on the reader's thread after the test.
    const auto received = std::make_shared<Received>();
    TesseractMessages::routeTo([received](std::string_view line) {
        std::lock_guard lock(received->mutex);
        received->lines.emplace_back(line);
    });
    TesseractTextRecognizer recognizer;
    const ostrel::BGRAImage picture = renderText({{"Quarterly report draft", QPoint(40, 80)}}, false);
    ASSERT_EQ(recognizer.recognize(picture.view(), std::nullopt, {"en-US"}).size(), 1u);
    // Leptonica's complaint about a picture without pixels.
    EXPECT_EQ(pixCreate(0, 10, 8), nullptr);

    QDeadlineTimer deadline(10000);
    while (!(received->has("Estimating resolution as") && received->has("Error in pixCreate")) &&
           !deadline.hasExpired()) {
        QThread::msleep(10);
    }
    EXPECT_TRUE(received->has("Estimating resolution as")) << "Tesseract's note, one line without its break";
    EXPECT_TRUE(received->has("Error in pixCreate")) << "Leptonica's";
    TesseractMessages::routeTo({});
}

} // namespace
