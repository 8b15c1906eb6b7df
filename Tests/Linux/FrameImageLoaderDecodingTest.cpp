#include "Platform/Linux/FFmpegVideoFiles.h"
#include "Store/FrameImageLoader.h"
#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace vesperline;

namespace {

TEST(FrameImageLoaderDecodingTest, DecodesStoredFramesAtEachSize) {
    testsupport::TemporaryDirectory framesFolder;
    platform::FFmpegVideoFiles files;
    const std::string path = "segments/2025-03-05/1-1741161600000.mp4";
    const auto file = framesFolder.path() / path;
    std::filesystem::create_directories(file.parent_path());

    // Three frames of a 2880 x 1800 screen, each a different shade, so a wrong frame shows.
    const std::uint8_t shades[] = {40, 128, 220};
    {
        auto writer = files.createWriter(file, {2880, 1800, 0.5f, 60, false});
        for (int i = 0; i < 3; ++i) {
            ostrel::BGRAImage frame(2880, 1800);
            std::fill(frame.pixels.begin(), frame.pixels.end(), shades[i]);
            ASSERT_TRUE(writer->waitUntilReady(std::chrono::seconds(10)));
            ASSERT_TRUE(writer->appendFrame(frame.view(), i));
        }
        writer->finish();
    }

    FrameImageLoader loader(files, framesFolder.path());
    const auto thumbnail = loader.image(path, 1, 11, FrameImageLoader::Size::thumbnail);
    ASSERT_TRUE(thumbnail.has_value());
    EXPECT_EQ(thumbnail->size(), QSize(520, 325));
    EXPECT_NEAR(qGreen(thumbnail->pixel(260, 160)), 128, 6);

    const auto full = loader.image(path, 2, 12, FrameImageLoader::Size::full);
    ASSERT_TRUE(full.has_value());
    EXPECT_EQ(full->size(), QSize(2880, 1800));
    EXPECT_NEAR(qGreen(full->pixel(1000, 1000)), 220, 6);

    EXPECT_FALSE(loader.image(path, 3, 13, FrameImageLoader::Size::thumbnail).has_value());
}

} // namespace
