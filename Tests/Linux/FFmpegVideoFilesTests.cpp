#include "Platform/Linux/FFmpegSupport.h"
#include "Platform/Linux/FFmpegVideoFiles.h"
#include "Support/FileMode.h"
#include "Support/TemporaryDirectory.h"
#include "Support/ThreadNames.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

using namespace vesperline::platform;

namespace {

// A picture with large flat areas of distinct colour per frame, so a decoded frame can be told from
// its neighbours even after lossy coding.
ostrel::BGRAImage patternImage(int width, int height, int seed) {
    ostrel::BGRAImage image(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = image.row(y);
        for (int x = 0; x < width; ++x) {
            const bool left = x < width / 2;
            row[x * 4 + 0] = static_cast<std::uint8_t>(left ? 40 * seed + 20 : 200 - 30 * seed);
            row[x * 4 + 1] = static_cast<std::uint8_t>(y < height / 2 ? 60 + 50 * seed : 180);
            row[x * 4 + 2] = static_cast<std::uint8_t>(left ? 220 - 50 * seed : 30 + 60 * seed);
            row[x * 4 + 3] = 255;
        }
    }
    return image;
}

double meanAbsoluteDifference(const ostrel::BGRAImage& a, const ostrel::BGRAImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width * 4; ++x) {
            sum += std::abs(int(a.row(y)[x]) - int(b.row(y)[x]));
        }
    }
    return sum / (double(a.width) * a.height * 4);
}

VideoEncoderSettings smallSettings() {
    VideoEncoderSettings settings;
    settings.width = 160;
    settings.height = 96;
    return settings;
}

void writeFrames(VideoFileWriter& writer, int count, int width, int height) {
    for (int i = 0; i < count; ++i) {
        const ostrel::BGRAImage image = patternImage(width, height, i % 4);
        ASSERT_TRUE(writer.appendFrame(image.view(), i));
    }
}

class FFmpegVideoFilesTest : public ::testing::Test {
  protected:
    testsupport::TemporaryDirectory folder;
    FFmpegVideoFiles files;
    std::filesystem::path file = folder.path() / "1-1000.mp4";
};

TEST_F(FFmpegVideoFilesTest, FramesDecodeByIndexCloseToTheirSource) {
    auto writer = files.createWriter(file, smallSettings());
    writeFrames(*writer, 3, 160, 96);
    writer->finish();
    ASSERT_EQ(writer->status(), VideoFileWriter::Status::completed) << writer->error().value_or("");
    EXPECT_EQ(testsupport::fileMode(file), 0600) << "a segment is its owner's only";

    auto reader = files.openReader(file);
    ASSERT_EQ(reader->frameCount(), 3);
    // Out of order on purpose: each index must give its own frame, not the next in the file.
    for (int index : {2, 0, 1, 1}) {
        auto decoded = reader->decodeFrame(index);
        ASSERT_TRUE(decoded) << index;
        ASSERT_EQ(decoded->width, 160);
        ASSERT_EQ(decoded->height, 96);
        EXPECT_LT(meanAbsoluteDifference(*decoded, patternImage(160, 96, index)), 6.0) << index;
        EXPECT_EQ(decoded->row(10)[3], 255);
    }
    EXPECT_FALSE(reader->decodeFrame(3));
    EXPECT_FALSE(reader->decodeFrame(-1));
    EXPECT_EQ(reader->decodableFrameCount(), 3);
}

TEST_F(FFmpegVideoFilesTest, ScalesToTheOutputSizeAndDecodesIntoABox) {
    auto writer = files.createWriter(file, smallSettings());
    writeFrames(*writer, 1, 320, 192);
    writer->finish();
    auto reader = files.openReader(file);
    auto full = reader->decodeFrame(0);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->width, 160);
    EXPECT_EQ(full->height, 96);
    EXPECT_LT(meanAbsoluteDifference(*full, patternImage(160, 96, 0)), 8.0);
    auto boxed = reader->decodeFrame(0, 64, 64);
    ASSERT_TRUE(boxed);
    EXPECT_EQ(boxed->width, 64);
    EXPECT_EQ(boxed->height, 38);
}

TEST_F(FFmpegVideoFilesTest, WalksFramesAcrossKeyframesInBothDirections) {
    VideoEncoderSettings settings = smallSettings();
    settings.maxKeyFrameInterval = 4;
    auto writer = files.createWriter(file, settings);
    writeFrames(*writer, 11, 160, 96);
    writer->finish();
    auto reader = files.openReader(file);
    ASSERT_EQ(reader->frameCount(), 11);
    for (int index : {0, 1, 2, 3, 4, 5, 9, 10, 7, 3, 8}) {
        auto decoded = reader->decodeFrame(index);
        ASSERT_TRUE(decoded) << index;
        EXPECT_LT(meanAbsoluteDifference(*decoded, patternImage(160, 96, index % 4)), 6.0) << index;
    }
}

TEST_F(FFmpegVideoFilesTest, WaitingForReadinessLetsEveryFrameInAndEndsWithTheWriter) {
    auto writer = files.createWriter(file, smallSettings());
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(writer->waitUntilReady(std::chrono::seconds(10))) << i;
        ASSERT_TRUE(writer->appendFrame(patternImage(160, 96, i % 4).view(), i));
    }
    writer->finish();
    EXPECT_FALSE(writer->waitUntilReady(std::chrono::seconds(10))); // finished: never ready again
    EXPECT_EQ(files.openReader(file)->frameCount(), 8);
}

TEST_F(FFmpegVideoFilesTest, AWriterLeftWithoutFinishKeepsEveryWrittenFrame) {
    {
        auto writer = files.createWriter(file, smallSettings());
        writeFrames(*writer, 5, 160, 96);
        // Wait until the encoder has written every frame, then drop the writer as a killed process would.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (files.openReader(file)->frameCount() < 5 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    auto reader = files.openReader(file);
    EXPECT_EQ(reader->frameCount(), 5);
    EXPECT_EQ(reader->decodableFrameCount(), 5);
}

TEST_F(FFmpegVideoFilesTest, EachIndexGivesItsOwnFrameWhetherDecodingGoesOnOrSeeks) {
    // Every frame differs from every other, so a frame off by a few, such as one the decoder had
    // already run ahead to, is told apart. Files of little change (a thin band moving on a still
    // picture) and of much change (noise everywhere) are decoded with different threading.
    constexpr int count = 14;
    for (const bool muchChange : {false, true}) {
        std::vector<ostrel::BGRAImage> sources;
        std::uint32_t noise = 12345;
        for (int i = 0; i < count; ++i) {
            ostrel::BGRAImage image = patternImage(160, 96, 1);
            for (int y = 0; y < 96; ++y) {
                std::uint8_t* row = image.row(y);
                for (int x = 0; muchChange && x < 160 * 4; ++x) {
                    noise = noise * 1664525u + 1013904223u;
                    row[x] = x % 4 == 3 ? 255 : std::uint8_t(noise >> 24);
                }
                std::fill_n(row + i * 10 * 4, 10 * 4, std::uint8_t(0));
            }
            sources.push_back(std::move(image));
        }
        const std::filesystem::path path = folder.path() / (muchChange ? "much.mp4" : "little.mp4");
        VideoEncoderSettings settings = smallSettings();
        settings.maxKeyFrameInterval = 6;
        auto writer = files.createWriter(path, settings);
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(writer->appendFrame(sources[i].view(), i));
        }
        writer->finish();
        auto reader = files.openReader(path);
        ASSERT_EQ(reader->frameCount(), count);
        // Going on by one and by a few, past a keyframe, to the last frame and back, one frame twice.
        for (int index : {2, 3, 4, 8, 13, 0, 1, 9, 9, 5, 11, 12, 7}) {
            auto decoded = reader->decodeFrame(index);
            ASSERT_TRUE(decoded) << index << (muchChange ? " much change" : " little change");
            std::vector<double> differences;
            for (const ostrel::BGRAImage& source : sources) {
                differences.push_back(meanAbsoluteDifference(*decoded, source));
            }
            EXPECT_EQ(std::min_element(differences.begin(), differences.end()) - differences.begin(), index)
                << (muchChange ? "much change" : "little change");
        }
    }
}

TEST_F(FFmpegVideoFilesTest, AFileCutInTheMiddleOfAFrameKeepsTheFramesBeforeIt) {
    auto writer = files.createWriter(file, smallSettings());
    writeFrames(*writer, 4, 160, 96);
    writer->finish();
    const auto fullSize = std::filesystem::file_size(file);
    // Drop the index written at the end and the last bytes of the last frame.
    auto reader = files.openReader(file);
    ASSERT_EQ(reader->frameCount(), 4);
    reader.reset();
    std::filesystem::resize_file(file, fullSize - 200);
    reader = files.openReader(file);
    EXPECT_GE(reader->frameCount(), 3);
    EXPECT_EQ(reader->decodableFrameCount(), 3);
    auto decoded = reader->decodeFrame(2);
    ASSERT_TRUE(decoded);
    EXPECT_LT(meanAbsoluteDifference(*decoded, patternImage(160, 96, 2)), 6.0);
}

TEST_F(FFmpegVideoFilesTest, FilesWithoutVideoAreInvalidData) {
    std::ofstream(file).close();
    try {
        files.openReader(file);
        FAIL() << "an empty file opened";
    } catch (const MediaError& error) {
        EXPECT_EQ(error.kind(), MediaError::Kind::invalidData) << error.what();
    }
    std::ofstream(file) << "not a video at all, just some text that is long enough to probe";
    try {
        files.openReader(file);
        FAIL() << "a text file opened";
    } catch (const MediaError& error) {
        EXPECT_EQ(error.kind(), MediaError::Kind::invalidData) << error.what();
    }
}

TEST(FFmpegErrorKinds, SystemErrorsAreUnreadableAndContentErrorsInvalid) {
    struct Case {
        int code;
        MediaError::Kind kind;
    };
    for (const Case& c : {Case{AVERROR(EACCES), MediaError::Kind::unreadable},
                          Case{AVERROR(EIO), MediaError::Kind::unreadable},
                          Case{AVERROR(EMFILE), MediaError::Kind::unreadable},
                          Case{AVERROR_INVALIDDATA, MediaError::Kind::invalidData},
                          Case{AVERROR_EOF, MediaError::Kind::invalidData},
                          Case{AVERROR_DECODER_NOT_FOUND, MediaError::Kind::other}}) {
        EXPECT_EQ(ffmpeg::mediaError("Reading", c.code).kind(), c.kind) << c.code;
    }
}

TEST_F(FFmpegVideoFilesTest, TheEncodersThreadsCarryTheWorkersNameNotTheirCreators) {
    std::thread([&] {
        pthread_setname_np(pthread_self(), "segment-maker");
        {
            auto writer = files.createWriter(file, smallSettings());
            writeFrames(*writer, 3, 160, 96);
            // Encoding is under way: only the worker and the threads of the encoder it opened have its name.
            EXPECT_EQ(testsupport::threadsNamed("segment-maker"), 1);
            EXPECT_GT(testsupport::threadsNamed("vl-encoder"), 1);
            writer->finish();
        }
        EXPECT_EQ(testsupport::threadsNamed("vl-encoder"), 0);

        // A file that cannot be created fails the writer's creation, on the caller's thread, and
        // leaves neither a file nor a thread behind.
        const std::filesystem::path unreachable = folder.path() / "missing" / "1-1000.mp4";
        EXPECT_THROW(files.createWriter(unreachable, smallSettings()), MediaError);
        EXPECT_FALSE(std::filesystem::exists(unreachable));
        EXPECT_EQ(testsupport::threadsNamed("vl-encoder"), 0);
    }).join();
    EXPECT_EQ(files.openReader(file)->frameCount(), 3);
}

TEST_F(FFmpegVideoFilesTest, CancelAndOddSizesAreHandled) {
    VideoEncoderSettings odd = smallSettings();
    odd.width = 161;
    EXPECT_THROW(files.createWriter(file, odd), MediaError);
    EXPECT_FALSE(std::filesystem::exists(file));

    auto writer = files.createWriter(file, smallSettings());
    writeFrames(*writer, 2, 160, 96);
    writer->cancel();
    EXPECT_EQ(writer->status(), VideoFileWriter::Status::cancelled);
    EXPECT_FALSE(writer->appendFrame(patternImage(160, 96, 0).view(), 2));
}

} // namespace
