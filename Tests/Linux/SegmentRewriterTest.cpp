#include "Store/SegmentRewriter.h"
#include "Platform/Linux/FFmpegVideoFiles.h"
#include "Platform/MediaError.h"
#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

using namespace vesperline;
namespace fs = std::filesystem;

namespace {

class SegmentRewriterTest : public ::testing::Test {
  protected:
    // A segment of `count` frames of `width` x `height`, frame i a flat shade of 40 + 40 i.
    fs::path writeSegment(const std::string& name, int count, int width, int height) {
        const fs::path file = folder_.path() / name;
        auto writer = files_.createWriter(file, {width / 2 * 2, height / 2 * 2, 0.5f, 60, false});
        for (int i = 0; i < count; ++i) {
            ostrel::BGRAImage frame(width, height);
            std::fill(frame.pixels.begin(), frame.pixels.end(), static_cast<std::uint8_t>(40 + 40 * i));
            EXPECT_TRUE(writer->waitUntilReady(std::chrono::seconds(10)));
            EXPECT_TRUE(writer->appendFrame(frame.view(), i));
        }
        writer->finish();
        return file;
    }
    static int shadeOf(const ostrel::BGRAImage& image) {
        return image.pixels[(image.height / 2) * image.bytesPerRow + (image.width / 2) * 4 + 1];
    }

    testsupport::TemporaryDirectory folder_;
    platform::FFmpegVideoFiles files_;
    SegmentRewriter rewriter_{files_};
};

TEST_F(SegmentRewriterTest, KeptFramesBecomeTheFirstFramesOfTheNewFile) {
    const fs::path source = writeSegment("1-1.mp4", 5, 320, 200);
    const fs::path destination = folder_.path() / "1-1-0a1b2c3d.mp4";

    const SegmentRewriteResult result = rewriter_.rewrite(source, {1, 3, 9}, destination, 0.48f);

    EXPECT_EQ(result.mapping, (std::map<std::int64_t, std::int64_t>{{1, 0}, {3, 1}}));
    EXPECT_EQ(result.frameCount, 2);
    EXPECT_EQ(result.bytes, static_cast<std::int64_t>(fs::file_size(destination)));
    EXPECT_EQ(result.width, 320);
    EXPECT_EQ(result.height, 200);
    auto reader = files_.openReader(destination);
    EXPECT_EQ(reader->frameCount(), 2);
    EXPECT_NEAR(shadeOf(*reader->decodeFrame(0)), 80, 6);
    EXPECT_NEAR(shadeOf(*reader->decodeFrame(1)), 160, 6);
}

TEST_F(SegmentRewriterTest, OddSizesRoundDownToEven) {
    const fs::path source = writeSegment("1-2.mp4", 1, 321, 201);
    const SegmentRewriteResult result = rewriter_.rewrite(source, {0}, folder_.path() / "out.mp4", 0.48f);
    EXPECT_EQ(result.width, 320);
    EXPECT_EQ(result.height, 200);
}

TEST_F(SegmentRewriterTest, NothingToKeepWritesNoFile) {
    const fs::path source = writeSegment("1-3.mp4", 3, 320, 200);
    const fs::path destination = folder_.path() / "none.mp4";
    for (const std::set<std::int64_t>& keep : {std::set<std::int64_t>{}, std::set<std::int64_t>{7}}) {
        const SegmentRewriteResult result = rewriter_.rewrite(source, keep, destination, 0.48f);
        EXPECT_TRUE(result.mapping.empty());
        EXPECT_EQ(result.frameCount, 0);
        EXPECT_EQ(result.bytes, 0);
        EXPECT_EQ(result.width, 0);
        EXPECT_FALSE(fs::exists(destination));
    }
}

TEST_F(SegmentRewriterTest, ASourceWithoutVideoFailsAndWritesNothing) {
    const fs::path source = folder_.path() / "broken.mp4";
    std::ofstream(source) << "not a video";
    const fs::path destination = folder_.path() / "out.mp4";
    EXPECT_THROW(rewriter_.rewrite(source, {0}, destination, 0.48f), platform::MediaError);
    EXPECT_FALSE(fs::exists(destination));
}

} // namespace
