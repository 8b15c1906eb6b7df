#include "Platform/Linux/FFmpegVideoFiles.h"
#include "Storage/OstrelPaths.h"
#include "Store/FrameImageLoader.h"
#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <thread>

using namespace vesperline;

namespace {

TEST(FrameImageLoaderDecodingTest, DecodesStoredFramesAtEachSize) {
    testsupport::ScopedDataDirectory data;
    ostrel::OstrelPaths::ensureDirectories();
    platform::FFmpegVideoFiles files;
    const std::string path = "segments/2025-03-05/1-1741161600000.mp4";
    const auto file = ostrel::OstrelPaths::frameFileURL(path);
    std::filesystem::create_directories(file.parent_path());

    // Three frames of a 2880 x 1800 screen, each a different shade, so a wrong frame shows.
    const std::uint8_t shades[] = {40, 128, 220};
    {
        auto writer = files.createWriter(file, {2880, 1800, 0.5f, 60, false});
        for (int i = 0; i < 3; ++i) {
            ostrel::BGRAImage frame(2880, 1800);
            std::fill(frame.pixels.begin(), frame.pixels.end(), shades[i]);
            while (!writer->isReadyForMoreFrames()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            ASSERT_TRUE(writer->appendFrame(frame.view(), i));
        }
        writer->finish();
    }

    FrameImageLoader loader(files);
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
