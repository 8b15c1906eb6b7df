#include "Store/SegmentWriter.h"

#include "Platform/Fake/FakeVideoFiles.h"
#include "Storage/OstrelPaths.h"
#include "Support/LogCapture.h"
#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <thread>

using namespace vesperline;
using platform::FakeVideoFiles;
using Status = platform::VideoFileWriter::Status;

namespace {

constexpr std::chrono::milliseconds encoderWait{300};

std::string contents(const std::filesystem::path& file) {
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(SegmentWriterOutputSize, CapsTheWidthKeepsTheAspectAndMakesEdgesEven) {
    struct Case {
        int maxWidth;
        ostrel::Size source;
        ostrel::Size expected;
    };
    const Case cases[] = {
        {1920, {2880, 1800}, {1920, 1200}},
        {1440, {3024, 1964}, {1440, 934}}, // 935.24 rounds to 935, then made even
        {1440, {1000, 701}, {1000, 700}},  // narrower than the cap: only made even
        {1920, {1920, 1080}, {1920, 1080}},
        {1440, {1001.9, 3001.7}, {1000, 3000}}, // truncated first; a tall source keeps its height
        {2560, {3841, 2161}, {2560, 1440}},     // 1440.37 rounds down
        {1440, {2000, 1001}, {1440, 720}},      // 720.72 rounds to 721, then made even
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SegmentWriter::outputSize(c.maxWidth, c.source), c.expected)
            << c.maxWidth << " " << c.source.width << "x" << c.source.height;
    }
}

class SegmentWriterTest : public ::testing::Test {
  protected:
    std::shared_ptr<SegmentWriter> makeWriter() {
        return SegmentWriter::create(files, url, 1920, {2880, 1800}, 0.5f, true, 1000.0);
    }

    testsupport::TemporaryDirectory folder;
    FakeVideoFiles files;
    std::filesystem::path url = folder.path() / "1-1000000.mp4";
    ostrel::BGRAImage image{2880, 1800};
};

TEST_F(SegmentWriterTest, FramesAreNumberedFromZeroWhateverTheirDates) {
    std::ofstream(url) << "left over from before";
    auto writer = makeWriter();
    EXPECT_EQ(writer->outputSize(), (ostrel::Size{1920, 1200}));
    ASSERT_EQ(files.createdSettings().size(), 1u);
    const auto settings = files.createdSettings()[0];
    EXPECT_EQ(settings.width, 1920);
    EXPECT_EQ(settings.height, 1200);
    EXPECT_FLOAT_EQ(settings.quality, 0.5f);
    EXPECT_EQ(settings.maxKeyFrameInterval, 60);
    EXPECT_TRUE(settings.realTime);
    EXPECT_EQ(writer->lastFrameAt(), 1000.0);

    EXPECT_EQ(writer->append(image.view(), 1000.0, encoderWait), 0);
    EXPECT_EQ(writer->append(image.view(), 1000.0, encoderWait), 1); // same date
    EXPECT_EQ(writer->append(image.view(), 5000.0, encoderWait), 2); // long gap
    EXPECT_EQ(writer->frameCount(), 3);
    EXPECT_EQ(writer->lastFrameAt(), 5000.0);
    EXPECT_EQ(writer->startedAt(), 1000.0);
    EXPECT_EQ(contents(url), "fake segment\nframe 0 2880x1800\nframe 1 2880x1800\nframe 2 2880x1800\n");

    const std::int64_t bytes = writer->finish();
    EXPECT_EQ(bytes, ostrel::OstrelPaths::allocatedSize(url));
    EXPECT_GT(bytes, 0);
    EXPECT_EQ(writer->status(), Status::completed);
}

TEST_F(SegmentWriterTest, ABusyEncoderDropsTheFrameAndTheWriterStaysUsable) {
    testsupport::LogCapture log;
    auto writer = makeWriter();
    files.setReady(false);
    EXPECT_EQ(writer->append(image.view(), 1001.0, std::chrono::milliseconds(10)), std::nullopt);
    EXPECT_EQ(writer->append(image.view(), 1002.0, std::chrono::milliseconds(0)), std::nullopt);
    EXPECT_EQ(log.count("capture: Encoder busy, frame dropped"), 2);
    EXPECT_EQ(writer->lastFrameAt(), 1000.0);
    files.setReady(true);
    EXPECT_EQ(writer->append(image.view(), 1003.0, encoderWait), 0);
    EXPECT_EQ(writer->status(), Status::writing);
}

TEST_F(SegmentWriterTest, AnAppendGoesInOnceTheBusyEncoderIsReady) {
    auto writer = makeWriter();
    files.setReady(false);
    std::thread encoder([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        files.setReady(true);
    });
    EXPECT_EQ(writer->append(image.view(), 1000.0, std::chrono::seconds(30)), 0);
    encoder.join();
}

TEST_F(SegmentWriterTest, ARejectedAppendIsLoggedOnceAndLaterAppendsReturnNothing) {
    testsupport::LogCapture log;
    auto writer = makeWriter();
    ASSERT_EQ(writer->append(image.view(), 1000.0, encoderWait), 0);
    files.rejectAppends = true;
    EXPECT_EQ(writer->append(image.view(), 1001.0, encoderWait), std::nullopt);
    EXPECT_EQ(writer->status(), Status::failed);
    EXPECT_EQ(writer->append(image.view(), 1002.0, encoderWait), std::nullopt);
    EXPECT_EQ(log.lines(), QStringList{"capture: Append failed: the encoder refused the frame"});
    EXPECT_EQ(writer->frameCount(), 1);
    EXPECT_EQ(writer->lastFrameAt(), 1000.0);

    // A failed writer with frames is not finished: what it wrote stays, and its size is returned.
    const std::int64_t bytes = writer->finish();
    EXPECT_EQ(bytes, ostrel::OstrelPaths::allocatedSize(url));
    EXPECT_EQ(contents(url), "fake segment\nframe 0 2880x1800\n");
    EXPECT_EQ(log.lines().size(), 1);
}

TEST_F(SegmentWriterTest, FinishingWithoutFramesLeavesNoFile) {
    auto writer = makeWriter();
    EXPECT_EQ(writer->finish(), 0);
    EXPECT_FALSE(std::filesystem::exists(url));
    EXPECT_EQ(writer->status(), Status::cancelled);

    // A writer that failed before its first frame is removed as well.
    auto failed = makeWriter();
    files.rejectAppends = true;
    EXPECT_EQ(failed->append(image.view(), 1000.0, encoderWait), std::nullopt);
    EXPECT_EQ(failed->finish(), 0);
    EXPECT_FALSE(std::filesystem::exists(url));
}

TEST_F(SegmentWriterTest, AFinishThatFailsIsLoggedAndStillGivesTheSize) {
    testsupport::LogCapture log;
    auto writer = makeWriter();
    ASSERT_EQ(writer->append(image.view(), 1000.0, encoderWait), 0);
    files.failFinish = true;
    const std::int64_t bytes = writer->finish();
    EXPECT_GT(bytes, 0);
    EXPECT_EQ(bytes, ostrel::OstrelPaths::allocatedSize(url));
    EXPECT_EQ(log.lines(), QStringList{"capture: Segment finish failed: the file could not be completed"});
}

TEST_F(SegmentWriterTest, ACreationFailureIsThrown) {
    files.failCreate(platform::MediaError(platform::MediaError::Kind::other, "no encoder"));
    EXPECT_THROW(makeWriter(), platform::MediaError);
}

} // namespace
