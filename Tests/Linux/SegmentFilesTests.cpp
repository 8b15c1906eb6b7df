#include "Platform/Linux/FFmpegVideoFiles.h"
#include "Storage/MemoryStore.h"
#include "Storage/OstrelPaths.h"
#include "Store/SegmentManager.h"
#include "Store/SegmentWriter.h"
#include "Store/StoreHub.h"
#include "Support/Moment.h"
#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

using namespace vesperline;

namespace {

// Flat blocks of colour that differ from frame to frame.
ostrel::BGRAImage screen(int seed) {
    ostrel::BGRAImage image(320, 200);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            std::uint8_t* pixel = image.row(y) + x * 4;
            pixel[0] = static_cast<std::uint8_t>(x < 160 ? 30 + 60 * seed : 220 - 50 * seed);
            pixel[1] = static_cast<std::uint8_t>(y < 100 ? 200 - 40 * seed : 90);
            pixel[2] = static_cast<std::uint8_t>((x / 40 + y / 40 + seed) % 2 ? 240 : 20);
            pixel[3] = 255;
        }
    }
    return image;
}

// Lossy coding of sharp colour edges costs a few levels on average; neighbouring frames differ by ~50.
constexpr double tolerance = 8.0;

double meanDifference(const ostrel::BGRAImage& a, const ostrel::BGRAImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width * 4; ++x) {
            sum += std::abs(int(a.row(y)[x]) - int(b.row(y)[x]));
        }
    }
    return sum / (double(a.width) * a.height * 4);
}

TEST(SegmentFilesOnDisk, ThreeAppendsDecodeAtZeroOneAndTwoSeconds) {
    testsupport::TemporaryDirectory folder;
    platform::FFmpegVideoFiles files;
    const auto url = folder.path() / "1-1000.mp4";
    auto writer = SegmentWriter::create(files, url, 1920, {320, 200}, 0.5f, true, 1000.0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(writer->append(screen(i).view(), 1000.0 + 7 * i, std::chrono::seconds(10)), i);
    }
    const std::int64_t bytes = writer->finish();
    EXPECT_EQ(bytes, ostrel::OstrelPaths::allocatedSize(url));
    EXPECT_EQ(writer->status(), platform::VideoFileWriter::Status::completed);

    auto reader = files.openReader(url);
    ASSERT_EQ(reader->frameCount(), 3);
    for (int i = 0; i < 3; ++i) {
        const auto frame = reader->decodeFrame(i);
        ASSERT_TRUE(frame);
        EXPECT_LT(meanDifference(*frame, screen(i)), tolerance) << i;
    }

    // No appends: no file.
    auto unused = SegmentWriter::create(files, url, 1920, {320, 200}, 0.5f, true, 1000.0);
    EXPECT_EQ(unused->finish(), 0);
    EXPECT_FALSE(std::filesystem::exists(url));
}

TEST(SegmentFilesOnDisk, AFileCutWhileWritingIsRecoveredWithTheFramesThatSurvive) {
    testsupport::DataFolder data;
    platform::FFmpegVideoFiles files;
    StoreHub hub(data.path());
    std::int64_t segmentID = 0;
    std::filesystem::path file;
    {
        SegmentManager manager(hub, files);
        for (int i = 0; i < 4; ++i) {
            const auto appended =
                manager.append(screen(i).view(), 1, 1741338000.0 + 2 * i, ImageQuality::balanced);
            ASSERT_TRUE(appended);
            segmentID = appended->segmentID;
            hub.sync([&](ostrel::MemoryStore& store) {
                return store.insertFrame(testsupport::Moment(1741338000.0 + 2 * i)
                                             .inSegment(appended->segmentID, appended->index));
            });
        }
        file = manager.open().at(1).writer->url();
        // Let the encoder write all four frames, then end without closing, as a killed process does.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (files.openReader(file)->frameCount() < 4 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    // The last frame was being written when the process died.
    std::filesystem::resize_file(file, std::filesystem::file_size(file) - 100);

    SegmentManager::recoverOpenSegments(hub, files);

    const auto row = hub.readSync([&](ostrel::MemoryStore& store) {
        return store.db().query("SELECT frame_count, closed, end_ts FROM segments WHERE id = ?",
                                {ostrel::SQLValue::integer(segmentID)}, false, [](const ostrel::SQLRow& r) {
                                    return std::tuple(r.int64(0), r.int64(1), r.real(2));
                                });
    });
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(row[0], std::tuple(std::int64_t{3}, std::int64_t{1}, 1741338000.0 + 4));
    const auto states = hub.readSync([&](ostrel::MemoryStore& store) {
        return store.db().query(
            "SELECT image_state, segment_index FROM frames ORDER BY ts", {}, false,
            [](const ostrel::SQLRow& r) { return std::pair(r.int64(0), r.optionalInt64(1)); });
    });
    ASSERT_EQ(states.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(states[i], std::pair(std::int64_t{1}, std::optional<std::int64_t>(i)));
    }
    EXPECT_EQ(states[3], std::pair(std::int64_t{2}, std::optional<std::int64_t>()));
    auto reader = files.openReader(file);
    EXPECT_EQ(reader->decodableFrameCount(), 3);
    EXPECT_LT(meanDifference(*reader->decodeFrame(2), screen(2)), tolerance);
}

} // namespace
