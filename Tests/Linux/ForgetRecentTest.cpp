// Forgetting the last minutes through the app model over real video files: the moments go, their
// pictures go from the segment file (decoded and compared) and their time goes from the activity.
#include "App/Model/AppModelFixture.h"

#include "Platform/Linux/FFmpegVideoFiles.h"
#include "Support/Moment.h"

#include <chrono>
#include <filesystem>

namespace vesperline::testing {
namespace {

namespace fs = std::filesystem;

class ForgetRecentTest : public AppModelFixture {
  protected:
    ForgetRecentTest() { videoFilesInUse = &realVideo; }

    platform::FFmpegVideoFiles realVideo;
};

// The grey of frame `index`: far enough apart to tell after lossy coding.
std::uint8_t greyOf(int index) {
    return static_cast<std::uint8_t>(30 + 50 * index);
}

TEST_F(ForgetRecentTest, TenMinutesLeaveNeitherMomentsNorPixelsNorActiveTime) {
    launch();
    const ostrel::Time now = clock.now();
    // Five moments a segment holds, one every four minutes: the last three fall in the ten minutes.
    const std::vector<ostrel::Time> times{now - 16 * 60, now - 12 * 60, now - 8 * 60, now - 4 * 60, now};
    const std::string path = "segments/2025-03-07/1-1741330000000.mp4";
    const fs::path file = model->hub().frameFile(path);
    fs::create_directories(file.parent_path());
    {
        auto writer = realVideo.createWriter(file, {320, 200, 0.5f, 60, false});
        for (int i = 0; i < 5; ++i) {
            ostrel::BGRAImage frame(320, 200);
            std::fill(frame.pixels.begin(), frame.pixels.end(), greyOf(i));
            ASSERT_TRUE(writer->waitUntilReady(std::chrono::seconds(10)));
            ASSERT_TRUE(writer->appendFrame(frame.view(), i));
        }
        writer->finish();
    }
    std::vector<std::int64_t> ids;
    model->hub().sync([&](ostrel::MemoryStore& store) {
        const std::int64_t segment = store.openSegment(path, 1, times.front(), 320, 200);
        for (int i = 0; i < 5; ++i) {
            ids.push_back(store.insertFrame(
                testsupport::Moment(times[i]).app("org.example.editor").lines({"x"}).inSegment(segment, i)));
        }
        store.closeSegment(segment, times.back(), 5, static_cast<std::int64_t>(fs::file_size(file)));
        ostrel::ActivitySpan span;
        span.start = now - 20 * 60;
        span.end = now;
        span.appBundleID = "org.example.editor";
        store.insertActivity(span);
    });

    bool done = false;
    model->deleteRecent(10, [&] { done = true; });
    ASSERT_TRUE(eventually([&] { return done; }));

    const auto kept = model->hub().readSync([&](ostrel::MemoryStore& store) {
        std::vector<std::optional<ostrel::FrameRecord>> frames;
        for (std::int64_t id : ids) {
            frames.push_back(store.frame(id));
        }
        return frames;
    });
    ASSERT_TRUE(kept[0] && kept[1]);
    for (int i = 2; i < 5; ++i) {
        EXPECT_FALSE(kept[i]) << "moment " << i;
    }
    EXPECT_FALSE(fs::exists(file)) << "the segment was written anew";
    ASSERT_TRUE(kept[0]->segmentPath);
    auto reader = realVideo.openReader(model->hub().frameFile(*kept[0]->segmentPath));
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->frameCount(), 2) << "only the two older pictures are left";
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(kept[i]->segmentIndex, i);
        const auto picture = reader->decodeFrame(i);
        ASSERT_TRUE(picture);
        EXPECT_NEAR(picture->pixels[100 * picture->bytesPerRow + 160 * 4 + 1], greyOf(i), 8) << i;
    }

    const auto activity =
        model->hub().readSync([&](ostrel::MemoryStore& store) { return store.activity(0, now + 3600); });
    double active = 0;
    for (const ostrel::ActivitySpan& span : activity) {
        EXPECT_LE(span.end, now - 10 * 60) << "no active time is left in the ten minutes";
        active += span.duration();
    }
    EXPECT_DOUBLE_EQ(active, 10 * 60);
}

} // namespace
} // namespace vesperline::testing
