#include "UI/Search/MomentImage.h"
#include "SearchFixture.h"
#include "Support/ViewPictures.h"

#include <QHBoxLayout>
#include <QLabel>

#include <set>

using namespace vesperline;
using Size = FrameImageLoader::Size;

namespace {

class MomentImageTest : public SearchFixture {
  protected:
    // Pictures for the moments in `stored`, at the size asked for; none for the others.
    MomentPicture::Source source() {
        return [this](const std::string&, std::int64_t, std::int64_t frameID, Size size) {
            requests.emplace_back(frameID, size);
            std::optional<QImage> picture;
            if (stored.count(frameID)) {
                picture =
                    screenPicture(frameID, size == Size::thumbnail ? QSize(520, 325) : QSize(1280, 800));
            }
            return QtFuture::makeReadyFuture(picture);
        };
    }
    std::unique_ptr<MomentImage> image(std::chrono::milliseconds retryDelay = std::chrono::milliseconds(5)) {
        auto view = std::make_unique<MomentImage>(source(), clock, retryDelay);
        view->resize(480, 320);
        return view;
    }
    static ostrel::FrameSummary moment(std::int64_t id, double age, ostrel::ImageState state,
                                       bool withSegment) {
        ostrel::FrameSummary frame;
        frame.id = id;
        frame.timestamp = now - age;
        frame.imageState = state;
        if (withSegment) {
            frame.segmentPath = "segments/2025-06-15/1-1.mp4";
            frame.segmentIndex = id;
        }
        return frame;
    }
    static QString notice(MomentImage& view) {
        auto* notice = view.findChild<QWidget*>("momentImageNotice");
        return notice->isVisible() ? view.findChild<QLabel*>("momentImageNoticeText")->text() : QString();
    }

    std::set<std::int64_t> stored;
    std::vector<std::pair<std::int64_t, Size>> requests;
};

} // namespace

TEST_F(MomentImageTest, ShowsThePictureAtTheSizeAskedForAndLoadsAgainForAnotherSize) {
    stored = {1};
    auto view = image();
    view->setMoment(moment(1, 600, ostrel::ImageState::segment, true), Size::preview);
    view->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->controller().image().has_value(); }));
    EXPECT_EQ(notice(*view), QString());
    EXPECT_FALSE(view->findChild<QWidget*>("momentImageSpinner")->isVisible());

    view->setMoment(moment(1, 600, ostrel::ImageState::segment, true), Size::full);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->controller().image().has_value(); }));
    EXPECT_EQ(requests, (std::vector<std::pair<std::int64_t, Size>>{{1, Size::preview}, {1, Size::full}}));
    EXPECT_EQ(view->controller().image()->width(), 1280);
}

TEST_F(MomentImageTest, SaysWhyThereIsNoPicture) {
    struct Case {
        const char* name;
        ostrel::FrameSummary frame;
        const char* notice;
        std::size_t requests;
    };
    for (const Case& c : std::vector<Case>{
             {"text only: at once, asking nothing", moment(2, 600, ostrel::ImageState::none, false),
              "Text only — no image was saved", 0},
             {"no segment: at once", moment(3, 600, ostrel::ImageState::dropped, false),
              "Image no longer kept", 0},
             {"thinned away: after one request", moment(4, 600, ostrel::ImageState::segment, true),
              "Image no longer kept", 1},
             {"five seconds old: three requests first", moment(5, 5, ostrel::ImageState::segment, true),
              "Image no longer kept", 3},
         }) {
        requests.clear();
        auto view = image();
        view->setMoment(c.frame, Size::preview);
        view->show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !notice(*view).isEmpty(); })) << c.name;
        EXPECT_EQ(notice(*view).toStdString(), c.notice) << c.name;
        EXPECT_EQ(requests.size(), c.requests) << c.name;
        EXPECT_FALSE(view->findChild<QWidget*>("momentImageSpinner")->isVisible()) << c.name;
    }

    // A young moment whose segment becomes readable meanwhile shows its picture after all.
    requests.clear();
    auto view = image(std::chrono::milliseconds(300));
    view->setMoment(moment(6, 5, ostrel::ImageState::segment, true), Size::preview);
    view->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return requests.size() == 1; }));
    EXPECT_TRUE(view->findChild<QWidget*>("momentImageSpinner")->isVisible());
    stored = {6};
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->controller().image().has_value(); }));
    EXPECT_EQ(requests.size(), 2u);
}

TEST_F(MomentImageTest, Pictures) {
    stored = {1};
    EXPECT_TRUE(testsupport::savePictures("search-moment-image", [this] {
        auto window = std::make_unique<QWidget>();
        auto* row = new QHBoxLayout(window.get());
        for (const ostrel::FrameSummary& frame : {moment(1, 600, ostrel::ImageState::segment, true),
                                                  moment(2, 600, ostrel::ImageState::none, false),
                                                  moment(3, 600, ostrel::ImageState::segment, true)}) {
            auto* view = new MomentImage(source(), clock, std::chrono::milliseconds(5));
            view->setFixedSize(320, 220);
            view->setMoment(frame, Size::preview);
            row->addWidget(view);
        }
        window->show();
        QTest::qWait(30);
        return window;
    }));
}
