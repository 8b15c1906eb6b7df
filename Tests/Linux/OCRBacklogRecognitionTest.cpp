// The backlog end to end on the real codec and recogniser: moments kept while recognition was not
// allowed, with text in their pictures, become findable once the backlog has run.
#include "Capture/OCRBacklog.h"
#include "Capture/OCRService.h"
#include "Platform/Linux/FFmpegVideoFiles.h"
#include "Platform/Linux/TesseractTextRecognizer.h"
#include "RenderedText.h"
#include "Store/FrameImageLoader.h"
#include "Store/StoreHub.h"
#include "Support/ManualClock.h"
#include "Support/Moment.h"
#include "Support/TemporaryDirectory.h"

#include <QTest>

#include <gtest/gtest.h>

#include <chrono>

using namespace vesperline;

namespace {

constexpr ostrel::Time t0 = 1740827109;

TEST(OCRBacklogRecognitionTest, QueuedMomentsWithTextInTheirPicturesBecomeFindable) {
    testsupport::DataFolder data;
    testsupport::ManualClock clock(t0 + 600);
    StoreHub hub(data.path(), clock);
    platform::FFmpegVideoFiles files;
    const std::string path = "segments/2025-03-01/1-1740827109000.mp4";
    const std::vector<QString> texts = {"Invoice from Lighthouse Bakery", "Quarterly harbour schedule"};
    {
        const auto file = hub.frameFile(path);
        std::filesystem::create_directories(file.parent_path());
        auto writer = files.createWriter(file, {800, 300, 0.6f, 60, false});
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const ostrel::BGRAImage picture = testsupport::renderText({{texts[i], QPoint(40, 120)}}, i == 1);
            ASSERT_TRUE(writer->waitUntilReady(std::chrono::seconds(10)));
            ASSERT_TRUE(writer->appendFrame(picture.view(), static_cast<std::int64_t>(i)));
        }
        writer->finish();
    }
    const std::vector<std::int64_t> ids = hub.sync([&](ostrel::MemoryStore& store) {
        const std::int64_t segment = store.openSegment(path, 1, t0, 800, 300);
        store.closeSegment(segment, t0 + 1, 2, 1000);
        std::vector<std::int64_t> inserted;
        for (std::int64_t i = 0; i < 2; ++i) {
            inserted.push_back(store.insertFrame(testsupport::Moment(t0 + static_cast<double>(i))
                                                     .app("org.example.Viewer", "Viewer")
                                                     .title("Document " + std::to_string(i))
                                                     .ocr(ostrel::OCRState::queued)
                                                     .inSegment(segment, i)));
        }
        return inserted;
    });

    platform::TesseractTextRecognizer recognizer;
    OCRService ocr(recognizer, {"en-US"});
    FrameImageLoader loader(files, hub.framesDirectory());
    OCRBacklog backlog(hub, ocr, loader, clock);
    backlog.setAllowed(true);
    ASSERT_TRUE(backlog.start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !backlog.isRunning(); }, 60000));

    const auto find = [&](const std::string& words) {
        std::vector<std::int64_t> found;
        for (const ostrel::SearchHit& hit : hub.readSync([&](ostrel::MemoryStore& store) {
                 return store.search(ostrel::SearchQuery(words, std::nullopt, std::nullopt, {}, 10,
                                                         ostrel::SearchQuery::Sort::relevance),
                                     clock.now());
             })) {
            found.push_back(hit.frame.id);
        }
        return found;
    };
    EXPECT_EQ(find("lighthouse bakery"), std::vector<std::int64_t>{ids[0]});
    EXPECT_EQ(find("harbour schedule"), std::vector<std::int64_t>{ids[1]}) << "light text on dark too";
    for (const std::int64_t id : ids) {
        EXPECT_EQ(hub.readSync([&](ostrel::MemoryStore& store) { return store.frame(id)->ocrState; }),
                  ostrel::OCRState::done);
    }
}

} // namespace
