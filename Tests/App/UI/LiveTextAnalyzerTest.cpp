// The analyzer's one reading thread: a request for term boxes cancelled while it waits for its turn
// is never read, so stepping over moments costs one reading for the moment the user stays on.
#include "UI/Moment/LiveTextAnalyzer.h"

#include "Capture/OCRService.h"

#include <QTest>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

using namespace vesperline;

namespace {

// Finds "harbour" in every picture; the first reading waits until the test lets it go.
class HeldRecognizer final : public platform::TextRecognizer {
  public:
    std::vector<std::string> supportedLanguages() const override { return {"en-US"}; }
    std::vector<platform::TextObservation> recognize(const ostrel::BGRAImageView&,
                                                     const std::optional<ostrel::Rect>&,
                                                     const std::vector<std::string>&) override {
        std::unique_lock lock(mutex_);
        if (++readings == 1) {
            released_.wait(lock, [this] { return free_; });
        }
        platform::TextObservation line;
        line.boundingBox = {0.1, 0.5, 0.3, 0.05};
        line.topCandidate = platform::TextObservation::Candidate{"harbour", 0.9, {}};
        return {line};
    }
    void release() {
        {
            std::lock_guard lock(mutex_);
            free_ = true;
        }
        released_.notify_all();
    }
    int count() {
        std::lock_guard lock(mutex_);
        return readings;
    }

  private:
    std::mutex mutex_;
    std::condition_variable released_;
    bool free_ = false;
    int readings = 0;
};

QImage picture(int shade) {
    QImage image(320, 200, QImage::Format_RGB32);
    image.fill(QColor(shade, shade, shade));
    return image;
}

} // namespace

TEST(LiveTextAnalyzerTest, TermSearchesCancelledBeforeTheirTurnAreNeverRead) {
    HeldRecognizer recognizer;
    OCRService ocr(recognizer, {"en-US"});
    LiveTextAnalyzer analyzer(ocr);
    const auto request = [&](int shade) {
        auto cancelled = std::make_shared<std::atomic<bool>>(false);
        return std::pair(analyzer.highlightBoxes(picture(shade), {"harbour"}, cancelled), cancelled);
    };
    auto [first, firstCancelled] = request(10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return recognizer.count() == 1; })) << "the first is being read";
    std::vector<QFuture<std::vector<ostrel::Rect>>> passed;
    for (int shade = 20; shade < 50; shade += 10) {
        auto [boxes, cancelled] = request(shade);
        cancelled->store(true); // the user has moved on
        passed.push_back(boxes);
    }
    auto [last, lastCancelled] = request(60);
    recognizer.release();

    last.waitForFinished();
    EXPECT_EQ(recognizer.count(), 2) << "the one under way and the last";
    EXPECT_EQ(last.result().size(), 1u);
    EXPECT_EQ(first.result().size(), 1u) << "a reading under way still finishes";
    for (QFuture<std::vector<ostrel::Rect>>& boxes : passed) {
        EXPECT_TRUE(boxes.result().empty());
    }
}
