#include "UI/Shared/FrameThumbnailController.h"
#include "Support/ManualClock.h"

#include <QPromise>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

using namespace vesperline;
using Content = FrameThumbnailController::Content;
using namespace std::chrono_literals;

namespace {

// Pictures handed out when the test says so, in any order.
class ScriptedImages {
  public:
    struct Request {
        std::string segmentPath;
        std::int64_t index;
        std::int64_t frameID;
        QPromise<std::optional<QImage>> promise;
    };

    FrameThumbnailController::ImageSource source() {
        return [this](const std::string& segmentPath, std::int64_t index, std::int64_t frameID) {
            auto request = std::make_unique<Request>(Request{segmentPath, index, frameID, {}});
            request->promise.start();
            QFuture<std::optional<QImage>> future = request->promise.future();
            requests.push_back(std::move(request));
            return future;
        };
    }

    void answer(std::size_t request, std::optional<QImage> picture) {
        requests.at(request)->promise.addResult(std::move(picture));
        requests.at(request)->promise.finish();
    }
    void fail(std::size_t request) {
        requests.at(request)->promise.setException(
            std::make_exception_ptr(std::runtime_error("decoder gone")));
        requests.at(request)->promise.finish();
    }

    std::vector<std::unique_ptr<Request>> requests;
};

QImage picture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    return image;
}

constexpr ostrel::Time now = 1'750'000'000;

ostrel::FrameSummary moment(std::int64_t id, double ageSeconds) {
    ostrel::FrameSummary frame;
    frame.id = id;
    frame.timestamp = now - ageSeconds;
    frame.imageState = ostrel::ImageState::segment;
    frame.segmentPath = "2025/06/15/segment-" + std::to_string(id) + ".mp4";
    frame.segmentIndex = id % 60;
    return frame;
}

class FrameThumbnailControllerTest : public ::testing::Test {
  protected:
    ScriptedImages images;
    testsupport::ManualClock clock{now};
    FrameThumbnailController controller{images.source(), clock, 20ms};

    // Settles the answers already given (their continuations hop to the main thread).
    void settle() { QTest::qWait(5); }
    bool waitForRequests(std::size_t count) {
        return QTest::qWaitFor([&] { return images.requests.size() >= count; }, 2000);
    }
};

} // namespace

TEST_F(FrameThumbnailControllerTest, ATextOnlyMomentShowsItsGlyphAndAsksNothing) {
    ostrel::FrameSummary frame;
    frame.id = 7;
    frame.timestamp = now - 2;
    frame.imageState = ostrel::ImageState::none;
    controller.setFrame(frame);
    controller.setShown(true);
    EXPECT_EQ(controller.content(), Content::textOnly);
    EXPECT_TRUE(controller.failed());
    EXPECT_TRUE(images.requests.empty());
}

TEST_F(FrameThumbnailControllerTest, AMomentWithoutSegmentFailsAtOnce) {
    ostrel::FrameSummary frame = moment(8, 2);
    frame.segmentIndex.reset();
    controller.setFrame(frame);
    controller.setShown(true);
    EXPECT_EQ(controller.content(), Content::unavailable);
    EXPECT_TRUE(images.requests.empty());
}

TEST_F(FrameThumbnailControllerTest, NothingIsAskedUntilShownAndTheRequestNamesTheMoment) {
    controller.setFrame(moment(42, 120));
    EXPECT_TRUE(images.requests.empty());
    EXPECT_EQ(controller.content(), Content::loading);
    controller.setShown(true);
    ASSERT_EQ(images.requests.size(), 1u);
    EXPECT_EQ(images.requests[0]->segmentPath, "2025/06/15/segment-42.mp4");
    EXPECT_EQ(images.requests[0]->index, 42);
    EXPECT_EQ(images.requests[0]->frameID, 42);
}

TEST_F(FrameThumbnailControllerTest, FreshMomentsAreAskedAgainAtMostThreeTimes) {
    struct Case {
        const char* name;
        double age;                // seconds, when first shown
        std::vector<bool> answers; // whether each request brings a picture
        std::size_t requests;      // made in all
        Content shown;             // at the end
    };
    const Case cases[] = {
        {"old and unreadable: one request", 120, {false}, 1, Content::unavailable},
        {"old and readable", 120, {true}, 1, Content::image},
        {"fresh, never readable: three requests", 5, {false, false, false}, 3, Content::unavailable},
        {"fresh, readable on the second request", 5, {false, true}, 2, Content::image},
        {"fresh, readable on the third request", 5, {false, false, true}, 3, Content::image},
        {"turns 30 s old while retrying", 28, {false, false}, 2, Content::unavailable},
    };
    std::int64_t id = 100;
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        images.requests.clear();
        clock.setNow(now);
        controller.setShown(false);
        controller.setFrame(moment(++id, testCase.age));
        controller.setShown(true);
        for (std::size_t i = 0; i < testCase.answers.size(); ++i) {
            ASSERT_TRUE(waitForRequests(i + 1));
            ASSERT_EQ(images.requests.size(), i + 1) << "asked again before the last answer";
            EXPECT_EQ(controller.content(), Content::loading);
            // Each answer comes a retry delay after the one before.
            clock.setNow(now + 2.2 * double(i));
            images.answer(i, testCase.answers[i] ? std::optional(picture(4, 3)) : std::nullopt);
        }
        settle();
        QTest::qWait(60); // longer than the retry delay: no further request may come
        EXPECT_EQ(images.requests.size(), testCase.requests);
        EXPECT_EQ(controller.content(), testCase.shown);
        for (const auto& request : images.requests) {
            EXPECT_EQ(request->frameID, id);
        }
    }
}

TEST_F(FrameThumbnailControllerTest, ALateAnswerForThePreviousMomentIsDropped) {
    controller.setShown(true);
    controller.setFrame(moment(1, 120));
    ASSERT_EQ(images.requests.size(), 1u);
    QSignalSpy changes(&controller, &FrameThumbnailController::changed);
    controller.setFrame(moment(2, 120));
    EXPECT_EQ(controller.content(), Content::loading);
    ASSERT_EQ(images.requests.size(), 2u);
    EXPECT_EQ(images.requests[1]->frameID, 2);

    images.answer(0, picture(10, 10)); // the first moment's picture, too late
    settle();
    EXPECT_FALSE(controller.image());
    EXPECT_EQ(controller.content(), Content::loading);

    images.answer(1, picture(20, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.image().has_value(); }, 2000));
    EXPECT_EQ(controller.image()->size(), QSize(20, 10));
    EXPECT_EQ(controller.frame()->id, 2);
    EXPECT_GE(changes.count(), 2);
}

TEST_F(FrameThumbnailControllerTest, AFailedAnswerForThePreviousMomentNeitherFailsNorRetriesTheNewOne) {
    controller.setShown(true);
    controller.setFrame(moment(1, 5));
    controller.setFrame(moment(2, 120));
    images.answer(0, std::nullopt);
    settle();
    EXPECT_FALSE(controller.failed());
    QTest::qWait(60);
    EXPECT_EQ(images.requests.size(), 2u);
}

TEST_F(FrameThumbnailControllerTest, AnotherMomentDuringTheRetryWaitCancelsTheRetry) {
    controller.setShown(true);
    controller.setFrame(moment(1, 5));
    images.answer(0, std::nullopt);
    settle();
    controller.setFrame(moment(2, 120));
    QTest::qWait(60);
    ASSERT_EQ(images.requests.size(), 2u);
    EXPECT_EQ(images.requests[1]->frameID, 2);
}

TEST_F(FrameThumbnailControllerTest, AnotherMomentClearsTheOldPictureAtOnce) {
    controller.setShown(true);
    controller.setFrame(moment(1, 120));
    images.answer(0, picture(10, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.image().has_value(); }, 2000));
    controller.setFrame(moment(2, 120));
    EXPECT_FALSE(controller.image());
    EXPECT_EQ(controller.content(), Content::loading);
    // The same moment again keeps its state and asks nothing.
    controller.setFrame(moment(2, 120));
    EXPECT_EQ(images.requests.size(), 2u);
}

TEST_F(FrameThumbnailControllerTest, HidingDropsTheWorkAndShowingAgainAsksAfresh) {
    controller.setFrame(moment(1, 120));
    controller.setShown(true);
    controller.setShown(false);
    images.answer(0, picture(10, 10));
    settle();
    EXPECT_FALSE(controller.image());
    controller.setShown(true);
    ASSERT_EQ(images.requests.size(), 2u);
    images.answer(1, picture(12, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.image().has_value(); }, 2000));
    EXPECT_EQ(controller.image()->size(), QSize(12, 10));
    // Once there, the picture stays through hiding and showing.
    controller.setShown(false);
    controller.setShown(true);
    EXPECT_EQ(images.requests.size(), 2u);
    EXPECT_EQ(controller.content(), Content::image);
}

TEST_F(FrameThumbnailControllerTest, ASourceThatThrowsCountsAsAnUnreadablePicture) {
    controller.setShown(true);
    controller.setFrame(moment(1, 120));
    images.fail(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.failed(); }, 2000));
    EXPECT_EQ(controller.content(), Content::unavailable);
}
