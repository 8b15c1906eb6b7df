#include "Platform/Linux/FFmpegVideoFiles.h"
#include "Platform/MediaError.h"
#include "Store/FrameImageLoader.h"
#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <random>
#include <thread>

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

// Damaged copies of a real segment (cut short, a stretch zeroed, bits flipped), as a full disk, a
// failing drive or a crash leave them. Decoder threads over damaged wavefronts can wait for one
// another for ever; every load must still end, with a picture or none, and so must the careful count
// that start-up recovery runs.
TEST(FrameImageLoaderDecodingTest, EveryLoadOfADamagedSegmentEnds) {
    testsupport::TemporaryDirectory framesFolder;
    platform::FFmpegVideoFiles files;
    const std::filesystem::path segment = framesFolder.path() / "whole.mp4";
    // Screens that change everywhere, as a scrolled page does: their frames decode on slice threads.
    constexpr int width = 1280, height = 720, frameCount = 4;
    {
        auto writer = files.createWriter(segment, {width, height, 0.5f, 60, false});
        std::mt19937 noise(7);
        ostrel::BGRAImage frame(width, height);
        for (int i = 0; i < frameCount; ++i) {
            for (std::uint8_t& byte : frame.pixels) {
                byte = static_cast<std::uint8_t>(noise());
            }
            ASSERT_TRUE(writer->waitUntilReady(std::chrono::seconds(30)));
            ASSERT_TRUE(writer->appendFrame(frame.view(), i));
        }
        writer->finish();
    }
    std::ifstream in(segment, std::ios::binary);
    const std::string whole((std::istreambuf_iterator<char>(in)), {});
    ASSERT_GT(whole.size(), 100000u);

    struct Damage {
        std::string name;
        std::function<void(std::string&)> apply;
    };
    std::vector<Damage> corpus;
    for (const double kept : {0.02, 0.2, 0.45, 0.7, 0.9, 0.99}) {
        corpus.push_back({"cut at " + std::to_string(kept), [kept](std::string& bytes) {
                              bytes.resize(static_cast<std::size_t>(bytes.size() * kept));
                          }});
    }
    for (const double at : {0.0, 0.1, 0.35, 0.6, 0.85}) {
        for (const std::size_t length : {std::size_t(64), std::size_t(8192)}) {
            corpus.push_back({"zeroed at " + std::to_string(at) + " for " + std::to_string(length),
                              [at, length](std::string& bytes) {
                                  const auto start = static_cast<std::size_t>(bytes.size() * at);
                                  std::fill_n(bytes.begin() + start, std::min(length, bytes.size() - start),
                                              '\0');
                              }});
        }
    }
    for (unsigned seed = 1; seed <= 12; ++seed) {
        corpus.push_back({"bits flipped, seed " + std::to_string(seed), [seed](std::string& bytes) {
                              std::mt19937 random(seed);
                              for (unsigned flips = 1 + random() % 16; flips > 0; --flips) {
                                  bytes[random() % bytes.size()] ^= static_cast<char>(1u << (random() % 8));
                              }
                          }});
    }

    // Waits for `work` on a thread of its own, at most `bound`; a wait for ever fails the test.
    const auto endsWithin = [](std::chrono::seconds bound, std::function<void()> work) {
        auto done = std::make_shared<std::promise<void>>();
        std::future<void> ended = done->get_future();
        std::thread([work = std::move(work), done] {
            work();
            done->set_value();
        }).detach();
        return ended.wait_for(bound) == std::future_status::ready;
    };

    // Left to a load that does not end, which still uses them.
    struct Readers {
        explicit Readers(const std::filesystem::path& folder) : loader(files, folder) {}
        platform::FFmpegVideoFiles files;
        FrameImageLoader loader;
    };
    auto* readers = new Readers(framesFolder.path());
    FrameImageLoader* loader = &readers->loader;
    platform::VideoFiles* readerFiles = &readers->files;
    int pictures = 0;
    for (std::size_t c = 0; c < corpus.size(); ++c) {
        std::string damaged = whole;
        corpus[c].apply(damaged);
        const std::string path = "copy-" + std::to_string(c) + ".mp4";
        std::ofstream(framesFolder.path() / path, std::ios::binary) << damaged;
        for (const std::int64_t index : {0, 3, 1, 2}) {
            auto picture = std::make_shared<std::optional<QImage>>();
            const std::int64_t frameID = static_cast<std::int64_t>(c) * 10 + index;
            ASSERT_TRUE(endsWithin(std::chrono::seconds(60),
                                   [loader, path, index, frameID, picture] {
                                       *picture = loader->image(path, index, frameID,
                                                                FrameImageLoader::Size::thumbnail);
                                   }))
                << corpus[c].name << ", frame " << index;
            pictures += picture->has_value() ? 1 : 0;
        }
        const std::filesystem::path file = framesFolder.path() / path;
        ASSERT_TRUE(endsWithin(
            std::chrono::seconds(60),
            [readerFiles, file] {
                try {
                    readerFiles->openReader(file, platform::DecodeMode::careful)->decodableFrameCount();
                } catch (const platform::MediaError&) {
                    // Not a video any more: recovery gives the file up.
                }
            }))
            << corpus[c].name << ", counting its frames";
    }
    EXPECT_GT(pictures, 0) << "copies damaged late still show their first frames";
    delete readers;
}

} // namespace
