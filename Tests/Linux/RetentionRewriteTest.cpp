#include "Platform/Linux/FFmpegVideoFiles.h"
#include "Store/RetentionManager.h"
#include "Store/SegmentRewriter.h"
#include "Store/StoreHub.h"
#include "Support/Moment.h"
#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace vesperline;
namespace fs = std::filesystem;

namespace {

// The drain of the pending rewrites over a real segment file: what the rows say must match the file.
TEST(RetentionRewriteTest, DrainCopiesTheSurvivingFramesOfARealSegment) {
    testsupport::DataFolder data;
    platform::FFmpegVideoFiles files;
    SegmentRewriter rewriter(files);
    StoreHub hub(data.path());
    RetentionManager manager(
        hub,
        [&](const fs::path& source, const std::set<std::int64_t>& keep, const fs::path& destination,
            float quality) { return rewriter.rewrite(source, keep, destination, quality); },
        [](const std::string&) {});

    const std::string path = "segments/2025-10-01/1-1759300000000.mp4";
    const fs::path file = hub.frameFile(path);
    fs::create_directories(file.parent_path());
    {
        auto writer = files.createWriter(file, {320, 200, 0.5f, 60, false});
        for (int i = 0; i < 5; ++i) {
            ostrel::BGRAImage frame(320, 200);
            std::fill(frame.pixels.begin(), frame.pixels.end(), static_cast<std::uint8_t>(40 + 40 * i));
            ASSERT_TRUE(writer->waitUntilReady(std::chrono::seconds(10)));
            ASSERT_TRUE(writer->appendFrame(frame.view(), i));
        }
        writer->finish();
    }
    std::vector<std::int64_t> frameIDs;
    hub.sync([&](ostrel::MemoryStore& store) {
        const std::int64_t segment = store.openSegment(path, 1, 1759300000, 320, 200);
        for (int i = 0; i < 5; ++i) {
            frameIDs.push_back(store.insertFrame(testsupport::Moment(1759300000 + i).inSegment(segment, i)));
        }
        store.closeSegment(segment, 1759300004, 5, static_cast<std::int64_t>(fs::file_size(file)));
        store.deleteFrames({frameIDs[0], frameIDs[2], frameIDs[4]});
    });

    manager.drainPendingRewrites().waitForFinished();

    EXPECT_FALSE(fs::exists(file));
    const auto kept = hub.readSync([&](ostrel::MemoryStore& store) { return *store.frame(frameIDs[3]); });
    ASSERT_TRUE(kept.segmentPath);
    EXPECT_EQ(kept.segmentIndex, 1);
    auto reader = files.openReader(hub.frameFile(*kept.segmentPath));
    EXPECT_EQ(reader->frameCount(), 2);
    const auto picture = reader->decodeFrame(*kept.segmentIndex);
    ASSERT_TRUE(picture);
    EXPECT_NEAR(picture->pixels[100 * picture->bytesPerRow + 160 * 4 + 1], 160, 6);
}

} // namespace
