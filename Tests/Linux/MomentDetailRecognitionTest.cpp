#include "Capture/OCRService.h"
#include "Platform/Fake/FakeInstalledApplications.h"
#include "Platform/Linux/TesseractTextRecognizer.h"
#include "RenderedText.h"
#include "Support/MomentFixture.h"
#include "Support/ViewPictures.h"
#include "UI/Moment/LiveTextAnalyzer.h"
#include "UI/Moment/MomentCanvasGeometry.h"
#include "UI/Moment/MomentDetail.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace vesperline;

namespace {

const QPoint wordsAt(40, 80);
const QString words = "Quarterly report draft";

QImage asImage(const ostrel::BGRAImage& pixels) {
    return QImage(pixels.pixels.data(), pixels.width, pixels.height,
                  static_cast<qsizetype>(pixels.bytesPerRow), QImage::Format_RGB32)
        .copy();
}

// Where "report" was drawn, in the picture's pixels (the fixture draws in DejaVu Sans at 28 px).
QRectF reportInPicture() {
    QFont font("DejaVu Sans");
    font.setPixelSize(28);
    const QFontMetricsF metrics(font);
    const double left = wordsAt.x() + metrics.horizontalAdvance("Quarterly ");
    return {left, wordsAt.y() - metrics.ascent(), metrics.horizontalAdvance("report"), metrics.height()};
}

// The real recogniser, counting its readings.
class CountingRecognizer final : public platform::TextRecognizer {
  public:
    std::atomic<int> readings{0};

    std::vector<std::string> supportedLanguages() const override { return real_.supportedLanguages(); }
    std::vector<platform::TextObservation> recognize(const ostrel::BGRAImageView& image,
                                                     const std::optional<ostrel::Rect>& regionOfInterest,
                                                     const std::vector<std::string>& languages) override {
        ++readings;
        return real_.recognize(image, regionOfInterest, languages);
    }

  private:
    platform::TesseractTextRecognizer real_;
};

} // namespace

// A stored picture of rendered text, read by the real recogniser: the search term is boxed where the
// word stands, and the picture's text can be selected.
TEST(MomentDetailRecognitionTest, TheSearchTermIsBoxedWhereTheWordStands) {
    testsupport::MomentFixture fixture;
    CountingRecognizer recognizer;
    OCRService ocr(recognizer, {"en-US"});
    LiveTextAnalyzer analyzer(ocr);
    platform::FakeInstalledApplications applications;
    const Format format("en_US", "Europe/Istanbul");

    const QImage picture = asImage(testsupport::renderText({{words, wordsAt}}, false));
    const std::int64_t id = fixture.store(testsupport::Moment(fixture.now - 600)
                                              .app("org.example.editor", "Editor")
                                              .title("Report")
                                              .lines({words.toStdString()}),
                                          true);
    fixture.pictures[id] = {picture};
    auto services = fixture.services();
    services.termBoxes = [&analyzer](const QImage& image, const std::vector<std::string>& terms,
                                     LiveTextAnalyzer::Cancellation cancelled) {
        return analyzer.highlightBoxes(image, terms, std::move(cancelled));
    };

    MomentDetail detail(std::move(services), MomentCanvas::analyses(analyzer), applications, format);
    detail.setTerms({"Report"});
    detail.setMoment(id, FrameImageLoader::Size::full);
    detail.resize(900, 520);
    detail.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !detail.controller().loading(); }, 60000));

    auto* canvas = detail.findChild<MomentCanvas*>("momentCanvas");
    ASSERT_EQ(canvas->highlightRects().size(), 1u);
    // The drawn box frames the drawn word: it holds the word's middle, and its edges lie within a
    // few pixels of the word's (scaled onto the canvas).
    const QRectF drawn = canvas->pictureRect();
    const double scale = drawn.width() / picture.width();
    const QRectF word = reportInPicture();
    const QRectF expected(drawn.x() + word.x() * scale, drawn.y() + word.y() * scale, word.width() * scale,
                          word.height() * scale);
    const QRectF box = canvas->highlightRects()[0];
    EXPECT_TRUE(box.contains(expected.center()));
    EXPECT_NEAR(box.left(), expected.left() - 3, 6);
    EXPECT_NEAR(box.right(), expected.right() + 3, 6);

    // The picture's lines were kept from the term search: selecting its text reads nothing again.
    canvas->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return canvas->hasLiveText(); }, 60000));
    QTest::keyClick(canvas, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(canvas->selectedText(), words);
    EXPECT_EQ(recognizer.readings, 1);

    for (const auto& [suffix, palette] : testsupport::appearances()) {
        testsupport::ScopedPalette appearance(palette);
        EXPECT_TRUE(testsupport::savePicture(detail, QString("moment-detail-recognised-") + suffix));
    }
}
