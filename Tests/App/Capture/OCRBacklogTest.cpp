#include "Capture/OCRBacklog.h"
#include "Capture/OCRService.h"
#include "Platform/Fake/FakeVideoFiles.h"
#include "Runtime/MainThread.h"
#include "Store/FrameImageLoader.h"
#include "Store/StoreHub.h"
#include "Support/LogCapture.h"
#include "Support/ManualClock.h"
#include "Support/Moment.h"
#include "Support/TemporaryDirectory.h"

#include <QTest>

#include <gtest/gtest.h>

#include <map>

namespace vesperline {
namespace {

using ostrel::OCRState;
using testsupport::Moment;

constexpr ostrel::Time t0 = 1740827109;

// Reads each picture as the lines set for its width, so every stored frame can show text of its own.
class ScriptedRecognizer final : public platform::TextRecognizer {
  public:
    std::map<int, std::vector<std::string>> linesByWidth;
    // Runs on the backlog's queue before each answer.
    std::function<void(int width)> onRecognize;
    std::atomic<int> calls{0};

    std::vector<std::string> supportedLanguages() const override { return {"en-US"}; }
    std::vector<platform::TextObservation> recognize(const ostrel::BGRAImageView& image,
                                                     const std::optional<ostrel::Rect>&,
                                                     const std::vector<std::string>&) override {
        ++calls;
        if (onRecognize) {
            onRecognize(image.width);
        }
        std::vector<platform::TextObservation> observations;
        const auto& lines = linesByWidth[image.width];
        for (std::size_t i = 0; i < lines.size(); ++i) {
            // Listed bottom line first: the service puts them in reading order.
            const std::size_t row = lines.size() - 1 - i;
            observations.push_back({{0.1, 0.9 - 0.1 * static_cast<double>(row), 0.5, 0.05},
                                    platform::TextObservation::Candidate{lines[row], 1.0, {}}});
        }
        return observations;
    }
};

class OCRBacklogTest : public ::testing::Test {
  protected:
    OCRBacklogTest() {
        backlog.onProgress = [this] { ++progress; };
        backlog.setAllowed(true);
    }

    // A closed segment file of frames with the given widths; returns its row id.
    std::int64_t segment(const std::string& path, const std::vector<int>& widths, bool closed = true) {
        const auto file = hub.frameFile(path);
        std::filesystem::create_directories(file.parent_path());
        auto writer = files.createWriter(file, {});
        const ostrel::BGRAImage pixel(1, 1);
        for (std::size_t i = 0; i < widths.size(); ++i) {
            writer->appendFrame(
                {pixel.pixels.data(), widths[i], 100, static_cast<std::size_t>(widths[i]) * 4},
                static_cast<std::int64_t>(i));
        }
        writer->finish();
        return hub.sync([&](ostrel::MemoryStore& store) {
            const std::int64_t id = store.openSegment(path, 1, t0, 1920, 1080);
            if (closed) {
                store.closeSegment(id, t0 + 10, static_cast<std::int64_t>(widths.size()), 100);
            }
            return id;
        });
    }
    std::int64_t insert(const Moment& moment) {
        return hub.sync([&](ostrel::MemoryStore& store) { return store.insertFrame(moment); });
    }
    // A queued moment of the editor's notes window.
    Moment queued(std::int64_t segmentID, std::int64_t index, double age = 60) {
        return std::move(Moment(clock.now() - age)
                             .app("org.example.Editor", "Editor")
                             .title("Notes")
                             .ocr(OCRState::queued)
                             .inSegment(segmentID, index));
    }
    ostrel::FrameRecord frame(std::int64_t id) {
        return *hub.readSync([&](ostrel::MemoryStore& store) { return store.frame(id); });
    }
    std::string text(std::int64_t id) {
        return hub.readSync([&](ostrel::MemoryStore& store) { return store.text(id); }).value_or("");
    }
    // Starts a run and waits for its end and for its reports to reach the main thread.
    void runToEnd() {
        ASSERT_TRUE(backlog.start());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !backlog.isRunning(); }, 20000));
        bool drained = false;
        MainThread::post([&] { drained = true; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return drained; }));
    }

    testsupport::DataFolder data;
    testsupport::ManualClock clock{t0 + 1000};
    StoreHub hub{data.path(), clock};
    platform::FakeVideoFiles files;
    FrameImageLoader loader{files, hub.framesDirectory()};
    ScriptedRecognizer recognizer;
    OCRService ocr{recognizer, {"en-US"}};
    OCRBacklog backlog{hub, ocr, loader, clock};
    int progress = 0;
};

TEST_F(OCRBacklogTest, QueuedMomentsGetTheirNewLinesAndBecomeFindable) {
    recognizer.linesByWidth = {{401, {"Alpha report", "Shared heading"}},
                               {402, {"Shared heading", "Beta budget"}},
                               {403, {"Gamma notes"}}};
    const std::int64_t s = segment("segments/d/1-1.mp4", {401, 402, 403, 404});
    const std::int64_t first = insert(queued(s, 0, 90));
    const std::int64_t second = insert(queued(s, 1, 80));
    const std::int64_t known = insert(queued(s, 2, 70).lines({"Gamma notes"}));
    const std::int64_t noPicture = insert(Moment(clock.now() - 60).ocr(OCRState::queued));
    const std::int64_t young = insert(queued(s, 3, 5));

    runToEnd();

    EXPECT_EQ(text(first), "Alpha report\nShared heading");
    EXPECT_EQ(text(second), "Beta budget") << "a line its window showed this run is not repeated";
    EXPECT_EQ(text(known), "Gamma notes") << "a line the moment holds is not added again";
    for (const std::int64_t id : {first, second, known}) {
        EXPECT_EQ(frame(id).ocrState, OCRState::done);
        EXPECT_TRUE(frame(id).textSource.contains(ostrel::TextSource::ocr()));
    }
    EXPECT_EQ(frame(noPicture).ocrState, OCRState::failed);
    EXPECT_EQ(frame(young).ocrState, OCRState::queued) << "younger than 20 s";
    EXPECT_EQ(recognizer.calls, 3);
    EXPECT_EQ(progress, 1) << "once, at the end";

    const std::string day = ostrel::MemoryStore::dayKey(clock.now());
    EXPECT_EQ(hub.readSync([&](ostrel::MemoryStore& store) { return store.stats(day, day); }).at(0).ocrRuns,
              3);
    const auto hits = hub.readSync([&](ostrel::MemoryStore& store) {
        return store.search(ostrel::SearchQuery("budget", std::nullopt, std::nullopt, {}, 10,
                                                ostrel::SearchQuery::Sort::relevance),
                            clock.now());
    });
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].frame.id, second);
}

TEST_F(OCRBacklogTest, OneRunAtATimeAndOnlyWhileAllowed) {
    backlog.setAllowed(false);
    EXPECT_FALSE(backlog.start());
    backlog.setAllowed(true);

    const std::int64_t s = segment("segments/d/1-1.mp4", {401});
    insert(queued(s, 0));
    std::atomic<bool> release = false;
    std::atomic<bool> second = true;
    recognizer.onRecognize = [&](int) {
        second = backlog.start();
        release.wait(false);
    };
    ASSERT_TRUE(backlog.start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return recognizer.calls == 1; }));
    EXPECT_FALSE(backlog.start());
    release = true;
    release.notify_all();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !backlog.isRunning(); }));
    EXPECT_FALSE(second) << "from inside the run too";

    recognizer.onRecognize = nullptr;
    runToEnd(); // an empty backlog: one empty batch, one report
    EXPECT_EQ(progress, 2);
}

TEST_F(OCRBacklogTest, AMomentInASegmentStillBeingWrittenWaitsForItsEnd) {
    const std::int64_t s = segment("segments/d/1-1.mp4", {401}, false);
    const std::int64_t id = insert(queued(s, 0));
    runToEnd();
    EXPECT_EQ(frame(id).ocrState, OCRState::queued);
    EXPECT_EQ(recognizer.calls, 0);

    hub.sync([&](ostrel::MemoryStore& store) { store.closeSegment(s, t0 + 10, 1, 100); });
    runToEnd();
    EXPECT_EQ(frame(id).ocrState, OCRState::done);
}

TEST_F(OCRBacklogTest, AMissingPictureFailsUnlessARewriteMovedTheMoment) {
    const std::int64_t old = segment("segments/d/1-1.mp4", {401, 402, 403});
    const std::int64_t rewritten = segment("segments/d/1-2.mp4", {412});
    files.setUndecodable({1, 2});
    insert(queued(old, 0, 90));
    const std::int64_t moved = insert(queued(old, 1, 80));
    const std::int64_t lost = insert(queued(old, 2, 70));
    // While the first moment is read, a rewrite moves the second one to another file.
    recognizer.onRecognize = [&](int width) {
        if (width == 401) {
            hub.sync([&](ostrel::MemoryStore& store) {
                store.db().execute("UPDATE frames SET segment_id = " + std::to_string(rewritten) +
                                   ", segment_index = 0 WHERE id = " + std::to_string(moved));
            });
        }
    };
    recognizer.linesByWidth = {{412, {"Found at its new place"}}};

    runToEnd();

    EXPECT_EQ(frame(lost).ocrState, OCRState::failed);
    EXPECT_EQ(frame(moved).ocrState, OCRState::done) << "read in a later batch at its new place";
    EXPECT_EQ(text(moved), "Found at its new place");
    EXPECT_EQ(recognizer.calls, 2);
}

TEST_F(OCRBacklogTest, ProgressEvery25RecognisedMomentsAcrossBatches) {
    std::vector<int> widths;
    for (int i = 0; i < 26; ++i) {
        widths.push_back(500 + i);
    }
    const std::int64_t s = segment("segments/d/1-1.mp4", widths);
    for (int i = 0; i < 26; ++i) {
        insert(queued(s, i, 200 - i));
    }
    insert(Moment(clock.now() - 300).ocr(OCRState::queued)); // fails first, and does not count
    runToEnd();
    EXPECT_EQ(recognizer.calls, 26);
    EXPECT_EQ(progress, 2) << "one after 25 moments, one at the end";
}

TEST_F(OCRBacklogTest, TurningRecognitionOffStopsBeforeTheNextMoment) {
    const std::int64_t s = segment("segments/d/1-1.mp4", {401, 402, 403});
    std::vector<std::int64_t> ids;
    for (int i = 0; i < 3; ++i) {
        ids.push_back(insert(queued(s, i, 90 - i)));
    }
    recognizer.onRecognize = [&](int) { backlog.setAllowed(false); };
    runToEnd();
    EXPECT_EQ(frame(ids[0]).ocrState, OCRState::done) << "the moment in hand is finished";
    EXPECT_EQ(frame(ids[1]).ocrState, OCRState::queued);
    EXPECT_EQ(frame(ids[2]).ocrState, OCRState::queued);
    EXPECT_EQ(progress, 1);
}

TEST_F(OCRBacklogTest, AStoreThatKeepsFailingEndsTheRun) {
    const std::int64_t s = segment("segments/d/1-1.mp4", {401, 402});
    const std::vector<std::int64_t> ids = {insert(queued(s, 0, 90)), insert(queued(s, 1, 80)),
                                           insert(Moment(clock.now() - 70).ocr(OCRState::queued))};
    // Neither text nor a failure can be recorded.
    hub.sync([](ostrel::MemoryStore& store) {
        store.db().execute("CREATE TRIGGER refuse BEFORE UPDATE ON frames "
                           "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    });
    testsupport::LogCapture log;
    runToEnd();
    EXPECT_EQ(recognizer.calls, 2) << "each moment is tried once in the run";
    for (const std::int64_t id : ids) {
        EXPECT_EQ(frame(id).ocrState, OCRState::queued) << "left for a later run";
    }
    EXPECT_EQ(progress, 1);
    // Each failure says what failed, though none of them is damage.
    const QString lines = log.lines().join("\n");
    EXPECT_EQ(log.count("storage: Storing a queued moment's text failed: SQLite"), 2) << lines.toStdString();
    EXPECT_EQ(log.count("storage: Marking a moment without picture failed: SQLite"), 1)
        << lines.toStdString();
}

} // namespace
} // namespace vesperline
