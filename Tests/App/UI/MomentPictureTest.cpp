#include "UI/Timeline/MomentPicture.h"

#include <QCoreApplication>
#include <QPromise>

#include <gtest/gtest.h>

#include <memory>

using namespace vesperline;
using Content = MomentPicture::Content;
using Size = FrameImageLoader::Size;

namespace {

ostrel::FrameSummary moment(std::int64_t id, ostrel::ImageState state = ostrel::ImageState::segment) {
    ostrel::FrameSummary frame;
    frame.id = id;
    frame.imageState = state;
    if (state == ostrel::ImageState::segment) {
        frame.segmentPath = "segments/2025-03-03/1.mp4";
        frame.segmentIndex = id;
    }
    return frame;
}

// A source whose answers the test gives, one by one.
class ManualSource {
  public:
    struct Call {
        std::int64_t frameID;
        Size size;
        std::shared_ptr<QPromise<std::optional<QImage>>> promise;
    };

    MomentPicture::Source source() {
        return [this](const std::string&, std::int64_t, std::int64_t frameID, Size size) {
            auto promise = std::make_shared<QPromise<std::optional<QImage>>>();
            promise->start();
            calls.push_back({frameID, size, promise});
            return promise->future();
        };
    }

    // Answers call `call` with a picture (or none) and lets the answer reach `picture` (all of it
    // happens on the main thread, through posted events).
    void answer(std::size_t call, bool withPicture, MomentPicture& picture) {
        bool changed = false;
        QMetaObject::Connection connection =
            QObject::connect(&picture, &MomentPicture::changed, [&] { changed = true; });
        calls.at(call).promise->addResult(withPicture ? std::optional(QImage(4, 3, QImage::Format_RGB32))
                                                      : std::optional<QImage>());
        calls.at(call).promise->finish();
        for (int round = 0; round < 5 && !changed; ++round) {
            QCoreApplication::processEvents();
        }
        QObject::disconnect(connection);
    }

    std::vector<std::int64_t> frameIDs() const {
        std::vector<std::int64_t> ids;
        for (const Call& call : calls) {
            ids.push_back(call.frameID);
        }
        return ids;
    }

    std::vector<Call> calls;
};

} // namespace

TEST(MomentPictureTest, AFastRunOfMomentsDecodesOnlyTheLatestWishAfterTheOneUnderWay) {
    ManualSource source;
    MomentPicture picture(source.source());
    for (std::int64_t id : {1, 2, 3}) {
        picture.setMoment(moment(id), Size::preview);
    }
    EXPECT_EQ(source.frameIDs(), std::vector<std::int64_t>({1}));
    EXPECT_EQ(picture.content(), Content::loading);

    source.answer(0, true, picture);
    EXPECT_EQ(picture.content(), Content::image) << "a moment passed over still shows on the way";
    EXPECT_EQ(picture.imageFrameID(), 1);
    EXPECT_EQ(source.frameIDs(), std::vector<std::int64_t>({1, 3}));

    source.answer(1, true, picture);
    EXPECT_EQ(picture.imageFrameID(), 3);
    EXPECT_EQ(picture.imageSize(), Size::preview);
    EXPECT_EQ(source.calls.size(), 2u);

    // At rest the same moment is asked for at full size; the preview stays until it is there.
    picture.setMoment(moment(3), Size::full);
    ASSERT_EQ(source.calls.size(), 3u);
    EXPECT_EQ(source.calls[2].size, Size::full);
    EXPECT_EQ(picture.imageSize(), Size::preview);
    source.answer(2, true, picture);
    EXPECT_EQ(picture.imageSize(), Size::full);

    picture.setMoment(moment(3), Size::preview);
    EXPECT_EQ(source.calls.size(), 3u) << "the full picture serves a preview too";
}

TEST(MomentPictureTest, MomentsWithoutAReadablePictureShowAsSuch) {
    ManualSource source;
    MomentPicture picture(source.source());
    picture.setMoment(std::nullopt, Size::full);
    EXPECT_EQ(picture.content(), Content::unavailable);

    picture.setMoment(moment(1), Size::full);
    picture.setMoment(moment(2, ostrel::ImageState::none), Size::full);
    EXPECT_EQ(picture.content(), Content::textOnly);
    source.answer(0, true, picture);
    EXPECT_EQ(picture.content(), Content::textOnly) << "an answer asked for before is dropped";
    EXPECT_FALSE(picture.image());

    picture.setMoment(moment(3, ostrel::ImageState::dropped), Size::full);
    EXPECT_EQ(picture.content(), Content::unavailable);

    // A failed moment passed over on the way changes nothing; the wished one's failure shows.
    picture.setMoment(moment(4), Size::preview);
    picture.setMoment(moment(5), Size::preview);
    source.answer(1, false, picture);
    EXPECT_EQ(picture.content(), Content::loading);
    ASSERT_EQ(source.frameIDs(), std::vector<std::int64_t>({1, 4, 5}));
    source.answer(2, false, picture);
    EXPECT_EQ(picture.content(), Content::unavailable);
    picture.setMoment(moment(5), Size::full);
    EXPECT_EQ(source.calls.size(), 3u) << "an unreadable picture is not asked for again";
}
