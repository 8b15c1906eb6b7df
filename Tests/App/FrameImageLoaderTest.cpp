#include "Store/FrameImageLoader.h"
#include "Platform/Fake/FakeVideoFiles.h"
#include "Support/LogCapture.h"
#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <QTest>

#include <chrono>
#include <condition_variable>
#include <future>

using namespace vesperline;
using platform::FakeVideoFiles;
using Size = FrameImageLoader::Size;

namespace {

// Counts decodes, and can hold one until the test lets it go.
class CountingVideoFiles final : public platform::VideoFiles {
  public:
    FakeVideoFiles fake;
    std::atomic<int> decodes{0};
    std::atomic<int> opens{0};

    std::mutex mutex;
    std::condition_variable changed;
    bool holdDecodes = false;
    // Holds only the decodes of threaded readers, as damaged data can hold decoder threads.
    bool holdThreadedDecodes = false;
    bool decodeWaiting = false;
    std::atomic<int> decodesEnded{0};

    std::unique_ptr<platform::VideoFileWriter>
    createWriter(const std::filesystem::path& file, const platform::VideoEncoderSettings& settings) override {
        return fake.createWriter(file, settings);
    }
    std::unique_ptr<platform::VideoFileReader> openReader(const std::filesystem::path& file,
                                                          platform::DecodeMode mode) override {
        ++opens;
        return std::make_unique<Reader>(*this, fake.openReader(file, mode), mode);
    }

    void release() {
        std::lock_guard lock(mutex);
        holdDecodes = false;
        holdThreadedDecodes = false;
        changed.notify_all();
    }

  private:
    class Reader final : public platform::VideoFileReader {
      public:
        Reader(CountingVideoFiles& owner, std::unique_ptr<platform::VideoFileReader> inner,
               platform::DecodeMode mode)
            : owner_(owner), inner_(std::move(inner)), mode_(mode) {}
        std::int64_t frameCount() const override { return inner_->frameCount(); }
        std::optional<ostrel::BGRAImage> decodeFrame(std::int64_t index, int maxWidth,
                                                     int maxHeight) override {
            ++owner_.decodes;
            std::unique_lock lock(owner_.mutex);
            owner_.decodeWaiting = true;
            owner_.changed.notify_all();
            owner_.changed.wait(lock, [&] {
                return !owner_.holdDecodes &&
                       !(owner_.holdThreadedDecodes && mode_ == platform::DecodeMode::threaded);
            });
            owner_.decodeWaiting = false;
            lock.unlock();
            auto frame = inner_->decodeFrame(index, maxWidth, maxHeight);
            ++owner_.decodesEnded;
            return frame;
        }

      private:
        CountingVideoFiles& owner_;
        std::unique_ptr<platform::VideoFileReader> inner_;
        platform::DecodeMode mode_;
    };
};

class FrameImageLoaderTest : public ::testing::Test {
  protected:
    testsupport::TemporaryDirectory framesFolder;
    CountingVideoFiles files;
    FrameImageLoader loader{files, framesFolder.path()};

    // A segment file of `frames` frames of the given size, at `path` relative to the frames folder.
    std::string segment(const std::string& path, int frames, int width = 2880, int height = 1800) {
        const auto file = framesFolder.path() / path;
        std::filesystem::create_directories(file.parent_path());
        auto writer = files.fake.createWriter(file, {});
        const ostrel::BGRAImage picture(8, 8);
        for (int i = 0; i < frames; ++i) {
            ostrel::BGRAImageView view{picture.pixels.data(), width, height,
                                       static_cast<std::size_t>(width) * 4};
            writer->appendFrame(view, i);
        }
        writer->finish();
        return path;
    }
};

TEST_F(FrameImageLoaderTest, SizesKeepTheAspectRatioAndNeverEnlarge) {
    const std::string path = segment("segments/2025-03-05/1-1000.mp4", 2);
    struct Case {
        Size size;
        int width, height;
    };
    for (const Case& c :
         {Case{Size::thumbnail, 520, 325}, Case{Size::preview, 1800, 1125}, Case{Size::full, 2880, 1800}}) {
        const auto picture = loader.image(path, 1, 7, c.size);
        ASSERT_TRUE(picture.has_value());
        EXPECT_EQ(picture->width(), c.width);
        EXPECT_EQ(picture->height(), c.height);
    }
    const std::string small = segment("segments/2025-03-05/1-2000.mp4", 1, 400, 300);
    EXPECT_EQ(loader.image(small, 0, 8, Size::preview)->size(), QSize(400, 300));
}

TEST_F(FrameImageLoaderTest, RepeatedRequestsDecodeOncePerSize) {
    const std::string path = segment("segments/d/1-1.mp4", 1);
    loader.image(path, 0, 1, Size::thumbnail);
    loader.image(path, 0, 1, Size::thumbnail);
    EXPECT_EQ(files.decodes, 1);
    EXPECT_EQ(files.opens, 1);
    loader.image(path, 0, 1, Size::preview);
    EXPECT_EQ(files.decodes, 2);
    EXPECT_EQ(files.opens, 2);
    // The asynchronous form shares the cache.
    EXPECT_TRUE(loader.imageAsync(path, 0, 1, Size::preview).result().has_value());
    EXPECT_EQ(files.decodes, 2);
}

TEST_F(FrameImageLoaderTest, KeepsTheTenMostRecentlyUsedDecoders) {
    std::vector<std::string> paths;
    for (int i = 0; i < 11; ++i) {
        paths.push_back(segment("segments/d/1-" + std::to_string(i) + ".mp4", 2));
    }
    for (int i = 0; i < 10; ++i) {
        loader.image(paths[i], 0, i, Size::thumbnail);
    }
    loader.image(paths[0], 1, 100, Size::thumbnail); // pair 0 becomes the most recent
    loader.image(paths[10], 0, 10, Size::thumbnail); // pushes out pair 1, the least recent
    const int opensBefore = files.opens;
    loader.image(paths[0], 0, 200, Size::thumbnail);
    EXPECT_EQ(files.opens, opensBefore);
    loader.image(paths[1], 1, 201, Size::thumbnail);
    EXPECT_EQ(files.opens, opensBefore + 1);
}

TEST_F(FrameImageLoaderTest, AFailedDecodeGetsOneFreshTry) {
    const std::string path = segment("segments/d/1-1.mp4", 1);
    ASSERT_TRUE(loader.image(path, 0, 1, Size::full).has_value());
    segment(path, 3); // the file grew after its decoder opened it
    const auto grown = loader.image(path, 2, 3, Size::full);
    EXPECT_TRUE(grown.has_value());
    EXPECT_EQ(files.opens, 2);
    // The fresh decoder stayed: the next frame needs no further opening.
    ASSERT_TRUE(loader.image(path, 1, 2, Size::full).has_value());
    EXPECT_EQ(files.opens, 2);

    EXPECT_FALSE(loader.image(path, 9, 10, Size::full).has_value());
    EXPECT_EQ(files.opens, 3);
    // Frames the file did not list yet are no sign of damage: it stays on decoder threads.
    for (const platform::DecodeMode mode : files.fake.openedModes()) {
        EXPECT_EQ(mode, platform::DecodeMode::threaded);
    }
    const int decodes = files.decodes;
    EXPECT_FALSE(loader.image(path, 9, 10, Size::full).has_value()); // nothing was cached
    EXPECT_EQ(files.decodes, decodes + 2);
    EXPECT_FALSE(loader.image("segments/d/missing.mp4", 0, 11, Size::full).has_value());
}

TEST_F(FrameImageLoaderTest, AFrameTheFileListsButCannotDecodeMakesTheFileReadCarefully) {
    using platform::DecodeMode;
    const std::string path = segment("segments/d/1-1.mp4", 3);
    files.fake.setUndecodable({1});
    EXPECT_FALSE(loader.image(path, 1, 2, Size::thumbnail).has_value());
    EXPECT_EQ(files.fake.openedModes(), (std::vector{DecodeMode::threaded, DecodeMode::careful}));
    // Every size of the file is read carefully now; a forgotten (rewritten) file is read as new.
    EXPECT_TRUE(loader.image(path, 0, 1, Size::preview).has_value());
    EXPECT_EQ(files.fake.openedModes().back(), DecodeMode::careful);
    loader.forget(path);
    EXPECT_TRUE(loader.image(path, 0, 1, Size::preview).has_value());
    EXPECT_EQ(files.fake.openedModes().back(), DecodeMode::threaded);
}

TEST_F(FrameImageLoaderTest, ADecodeThatDoesNotEndIsGivenUpAtTheDeadlineAndTheFileReadCarefully) {
    using platform::DecodeMode;
    const std::string path = segment("segments/d/1-1.mp4", 2);
    {
        std::lock_guard lock(files.mutex);
        files.holdThreadedDecodes = true; // as decoder threads stuck on damaged data
    }
    {
        FrameImageLoader impatient(files, framesFolder.path(), std::chrono::milliseconds(100));
        testsupport::LogCapture log;
        auto load = std::async(std::launch::async, [&] { return impatient.image(path, 1, 2, Size::full); });
        ASSERT_EQ(load.wait_for(std::chrono::seconds(30)), std::future_status::ready) << "the load must end";
        EXPECT_TRUE(load.get().has_value()) << "the careful decoder's picture";
        EXPECT_EQ(log.count("did not end within 100 ms"), 1) << log.lines().join("\n").toStdString();
        EXPECT_EQ(files.fake.openedModes(), (std::vector{DecodeMode::threaded, DecodeMode::careful}));
        // The thumbnail of the same file waits for no stuck decoder.
        EXPECT_TRUE(impatient.image(path, 0, 1, Size::thumbnail).has_value());
        EXPECT_EQ(files.fake.openedModes().back(), DecodeMode::careful);
        EXPECT_EQ(files.decodes, 3);
    } // the loader goes without waiting for the stuck decode
    files.release();
    EXPECT_TRUE(QTest::qWaitFor([&] { return files.decodesEnded == 3; }));
}

TEST_F(FrameImageLoaderTest, ForgetDropsOnlyThatFile) {
    const std::string a = segment("segments/d/1-1.mp4", 1);
    const std::string longer = segment("segments/d/1-1.mp4x", 1); // begins with the same text
    loader.image(a, 0, 1, Size::thumbnail);
    loader.image(longer, 0, 2, Size::thumbnail);
    loader.forget(a);
    const int decodes = files.decodes;
    const int opens = files.opens;
    loader.image(longer, 0, 2, Size::thumbnail);
    EXPECT_EQ(files.decodes, decodes);
    EXPECT_EQ(files.opens, opens);
    loader.image(a, 0, 1, Size::thumbnail);
    EXPECT_EQ(files.decodes, decodes + 1);
    EXPECT_EQ(files.opens, opens + 1);

    loader.removeAll();
    loader.image(longer, 0, 2, Size::thumbnail);
    EXPECT_EQ(files.decodes, decodes + 2);
}

TEST_F(FrameImageLoaderTest, ADecodeThatEndsAfterForgetIsNotCached) {
    const std::string path = segment("segments/d/1-1.mp4", 1);
    {
        std::lock_guard lock(files.mutex);
        files.holdDecodes = true;
    }
    auto pending = std::async(std::launch::async, [&] { return loader.image(path, 0, 1, Size::thumbnail); });
    {
        std::unique_lock lock(files.mutex);
        files.changed.wait(lock, [&] { return files.decodeWaiting; });
    }
    loader.forget(path); // the file was deleted while its picture was being decoded
    files.release();
    EXPECT_TRUE(pending.get().has_value());
    const int decodes = files.decodes;
    loader.image(path, 0, 1, Size::thumbnail);
    EXPECT_EQ(files.decodes, decodes + 1);
}

TEST_F(FrameImageLoaderTest, EvictsTheLeastRecentlyUsedPictureAtItsByteLimit) {
    // Each full picture takes 100 MB of the 260 MiB the cache holds: two fit, three do not.
    const std::string path = segment("segments/d/1-1.mp4", 3, 5000, 5000);
    loader.image(path, 0, 1, Size::full);
    loader.image(path, 1, 2, Size::full);
    loader.image(path, 0, 1, Size::full); // frame 0 is now the most recent
    loader.image(path, 2, 3, Size::full); // pushes out frame 1
    const int decodes = files.decodes;
    loader.image(path, 0, 1, Size::full);
    EXPECT_EQ(files.decodes, decodes);
    loader.image(path, 1, 2, Size::full);
    EXPECT_EQ(files.decodes, decodes + 1);
}

} // namespace
