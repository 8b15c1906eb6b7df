#include "UI/Shared/FrameThumbnail.h"
#include "Platform/Fake/FakeVideoFiles.h"
#include "Store/FrameImageLoader.h"
#include "Support/ManualClock.h"
#include "Support/TemporaryDirectory.h"
#include "Support/ViewPictures.h"

#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QPromise>
#include <QTest>

#include <gtest/gtest.h>

using namespace vesperline;
using Content = FrameThumbnailController::Content;

namespace {

constexpr ostrel::Time now = 1'750'000'000;

ostrel::FrameSummary moment(std::int64_t id, ostrel::ImageState state, bool withSegment) {
    ostrel::FrameSummary frame;
    frame.id = id;
    frame.timestamp = now - 600;
    frame.imageState = state;
    if (withSegment) {
        frame.segmentPath = "segments/2025-06-15/1-" + std::to_string(id) + ".mp4";
        frame.segmentIndex = 0;
    }
    return frame;
}

// A picture whose edges are easy to see, so a picture cropped by the tile shows as such.
QImage sample(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor(60, 110, 190));
    gradient.setColorAt(1, QColor(230, 160, 90));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(QPen(Qt::white, 6));
    painter.drawRect(image.rect().adjusted(3, 3, -3, -3));
    painter.drawLine(0, 0, width, height);
    return image;
}

// Answers at once with the picture it was built with, or never.
FrameThumbnailController::ImageSource fixedSource(std::optional<QImage> picture, bool answers = true) {
    return [picture, answers](const std::string&, std::int64_t, std::int64_t) {
        if (!answers) {
            // Kept for the whole program, so the answer stays pending.
            static std::vector<std::unique_ptr<QPromise<std::optional<QImage>>>> pending;
            pending.push_back(std::make_unique<QPromise<std::optional<QImage>>>());
            pending.back()->start();
            return pending.back()->future();
        }
        return QtFuture::makeReadyFuture(picture);
    };
}

} // namespace

TEST(FrameThumbnailTest, PicturesFillTheTileAndAreCroppedNeverLetterboxed) {
    struct Case {
        const char* name;
        QSizeF picture;
        QRectF tile;
        QRectF expected;
    };
    const Case cases[] = {
        {"wide", {200, 50}, {0, 0, 92, 58}, {-70, 0, 232, 58}},
        {"portrait", {50, 100}, {0, 0, 92, 58}, {0, -63, 92, 184}},
        {"same shape", {184, 116}, {10, 10, 92, 58}, {10, 10, 92, 58}},
        {"smaller than the tile", {46, 29}, {0, 0, 92, 58}, {0, 0, 92, 58}},
        {"empty picture", {0, 0}, {0, 0, 92, 58}, {0, 0, 92, 58}},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        const QRectF placed = FrameThumbnail::fillRect(testCase.picture, testCase.tile);
        EXPECT_NEAR(placed.x(), testCase.expected.x(), 1e-9);
        EXPECT_NEAR(placed.y(), testCase.expected.y(), 1e-9);
        EXPECT_NEAR(placed.width(), testCase.expected.width(), 1e-9);
        EXPECT_NEAR(placed.height(), testCase.expected.height(), 1e-9);
    }
}

TEST(FrameThumbnailTest, ShowsAStoredPictureThroughTheLoader) {
    testsupport::TemporaryDirectory framesFolder;
    platform::FakeVideoFiles files;
    FrameImageLoader loader(files, framesFolder.path());
    const ostrel::FrameSummary stored = moment(1, ostrel::ImageState::segment, true);
    const auto file = framesFolder.path() / *stored.segmentPath;
    std::filesystem::create_directories(file.parent_path());
    auto writer = files.createWriter(file, {});
    const ostrel::BGRAImage pixels(1280, 800);
    writer->appendFrame(pixels.view(), 0);
    writer->finish();

    testsupport::ManualClock clock(now);
    FrameThumbnail thumbnail(loader, 6, clock);
    thumbnail.resize(92, 58);
    thumbnail.setFrame(stored);
    thumbnail.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return thumbnail.controller().content() == Content::image; }, 5000));
    // Thumbnail size: the longest side at most 520 pixels.
    EXPECT_EQ(thumbnail.controller().image()->size(), QSize(520, 325));
    EXPECT_FALSE(thumbnail.findChild<QWidget*>("thumbnailSpinner")->isVisible());

    thumbnail.setFrame(moment(2, ostrel::ImageState::segment, true)); // no such file
    ASSERT_TRUE(QTest::qWaitFor([&] { return thumbnail.controller().failed(); }, 5000));
    EXPECT_EQ(thumbnail.controller().content(), Content::unavailable);
}

TEST(FrameThumbnailTest, TheSpinnerShowsOnlyWhileLoading) {
    testsupport::ManualClock clock(now);
    FrameThumbnail thumbnail(fixedSource(std::nullopt, false), 6, clock);
    thumbnail.resize(92, 58);
    thumbnail.setFrame(moment(1, ostrel::ImageState::segment, true));
    thumbnail.show();
    auto* spinner = thumbnail.findChild<QWidget*>("thumbnailSpinner");
    EXPECT_TRUE(spinner->isVisible());
    EXPECT_EQ(spinner->geometry().center(), thumbnail.rect().center());
    thumbnail.setFrame(moment(2, ostrel::ImageState::none, false));
    EXPECT_FALSE(spinner->isVisible());
}

TEST(FrameThumbnailTest, Pictures) {
    testsupport::ManualClock clock(now);
    EXPECT_TRUE(testsupport::savePictures("frame-thumbnails", [&clock] {
        auto window = std::make_unique<QWidget>();
        auto* layout = new QHBoxLayout(window.get());
        const auto add = [&](FrameThumbnailController::ImageSource source,
                             const ostrel::FrameSummary& frame) {
            auto* thumbnail = new FrameThumbnail(std::move(source), 6, clock);
            thumbnail->setFixedSize(92, 58);
            thumbnail->setFrame(frame);
            layout->addWidget(thumbnail);
        };
        add(fixedSource(sample(520, 325)), moment(1, ostrel::ImageState::segment, true));
        add(fixedSource(sample(520, 120)), moment(2, ostrel::ImageState::segment, true));
        add(fixedSource(sample(200, 520)), moment(3, ostrel::ImageState::segment, true));
        add(fixedSource(std::nullopt, false), moment(4, ostrel::ImageState::segment, true));
        add(fixedSource(std::nullopt), moment(5, ostrel::ImageState::none, false));
        add(fixedSource(std::nullopt), moment(6, ostrel::ImageState::segment, true));
        add(fixedSource(std::nullopt), moment(7, ostrel::ImageState::dropped, false));
        return window;
    }));
}
