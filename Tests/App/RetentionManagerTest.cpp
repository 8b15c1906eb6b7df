#include "Store/RetentionManager.h"

#include "Platform/MediaError.h"
#include "Store/StoreHub.h"
#include "Support/LogCapture.h"
#include "Support/ManualClock.h"
#include "Support/Moment.h"
#include "Support/TemporaryDirectory.h"

#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <mutex>
#include <regex>
#include <stdexcept>

using namespace vesperline;
using ostrel::MemoryStore;
using ostrel::SegmentRecord;
namespace fs = std::filesystem;

namespace {

constexpr ostrel::Time now = 1767225600; // 2026-01-01 00:00 UTC
constexpr double day = 86400;

// A stand-in for the video rewriter: "copies" the kept indexes that exist in the source by writing
// their list to the destination, numbering them 0, 1, ... in index order.
class FakeRewriter {
  public:
    struct Call {
        fs::path source;
        std::set<std::int64_t> keep;
        fs::path destination;
    };
    RetentionManager::Rewriter function() {
        return [this](const fs::path& source, const std::set<std::int64_t>& keep, const fs::path& destination,
                      float) {
            std::lock_guard lock(mutex);
            calls.push_back({source, keep, destination});
            if (failure) {
                std::ofstream(destination) << "half";
                throw *failure;
            }
            SegmentRewriteResult result;
            for (const std::int64_t index : keep) {
                if (index < framesPerFile) {
                    result.mapping[index] = result.frameCount++;
                }
            }
            if (result.frameCount > 0) {
                std::ofstream(destination) << std::string(static_cast<std::size_t>(result.frameCount), 'f');
                result.bytes = result.frameCount;
                result.width = 640;
                result.height = 400;
            }
            return result;
        };
    }
    std::mutex mutex;
    std::vector<Call> calls;
    std::optional<platform::MediaError> failure;
    std::int64_t framesPerFile = 1000;
};

class RetentionManagerTest : public ::testing::Test {
  protected:
    RetentionManagerTest()
        : clock_(now), hub_(dataDirectory_.path(), clock_), manager_(
                                                                hub_, rewriter_.function(),
                                                                [this](const std::string& path) {
                                                                    std::lock_guard lock(forgottenMutex_);
                                                                    forgotten_.push_back(path);
                                                                },
                                                                clock_) {
        manager_.openSegmentPaths = [this] { return openPaths_; };
    }

    // A closed segment of `frames` moments, one a minute from `start`, each with a picture at its index.
    SegmentRecord addSegment(const std::string& name, ostrel::Time start, int frames,
                             std::int64_t bytes = 1000, bool closed = true,
                             const std::string& title = "Doc") {
        const std::string path = "segments/2025-10-01/" + name;
        const fs::path file = hub_.frameFile(path);
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "video";
        const std::int64_t id = hub_.sync([&](MemoryStore& store) {
            return store.db().transaction([&] {
                const std::int64_t segment = store.openSegment(path, 1, start, 640, 400);
                for (int index = 0; index < frames; ++index) {
                    store.insertFrame(testsupport::Moment(start + 60.0 * index)
                                          .app("org.example.editor")
                                          .title(title)
                                          .inSegment(segment, index)
                                          .lines({"line " + std::to_string(index)}));
                }
                if (closed) {
                    store.closeSegment(segment, start + 60.0 * std::max(frames - 1, 0), frames, bytes);
                }
                return segment;
            });
        });
        return *segmentRow(id);
    }
    std::optional<SegmentRecord> segmentRow(std::int64_t id) {
        return hub_.readSync([id](MemoryStore& store) { return store.segment(id); });
    }
    std::vector<ostrel::FrameRecord> framesOf(std::int64_t id) {
        return hub_.readSync([id](MemoryStore& store) { return store.framesInSegment(id); });
    }
    std::vector<std::int64_t> pending() {
        return hub_.readSync([](MemoryStore& store) { return store.pendingRewrites(); });
    }
    void deleteFrames(const std::vector<std::int64_t>& ids) {
        hub_.sync([&](MemoryStore& store) { store.deleteFrames(ids); });
    }
    fs::path fileOf(const SegmentRecord& segment) const { return hub_.frameFile(segment.path); }
    static ostrel::RetentionPolicy policy(std::int64_t fullImageDays, std::int64_t keyframeDays,
                                          std::int64_t textDays, std::int64_t cap) {
        return {fullImageDays, keyframeDays, textDays, cap};
    }
    void runPass(
        const ostrel::RetentionPolicy& policy, bool heavyWork = true,
        std::function<bool()> shouldStop = [] { return false; }) {
        manager_.runPass(policy, heavyWork, std::move(shouldStop)).waitForFinished();
    }

    testsupport::DataFolder dataDirectory_;
    testsupport::ManualClock clock_;
    StoreHub hub_;
    FakeRewriter rewriter_;
    std::mutex forgottenMutex_;
    std::vector<std::string> forgotten_;
    std::set<std::string> openPaths_;
    RetentionManager manager_;
};

TEST_F(RetentionManagerTest, DrainCopiesTheRemainingFramesToANewFileBesideTheOld) {
    const SegmentRecord segment = addSegment("1-1759300000000.mp4", now - 5 * day, 5);
    const std::vector<ostrel::FrameRecord> frames = framesOf(segment.id);
    deleteFrames({frames[0].id, frames[2].id, frames[4].id});

    manager_.drainPendingRewrites().waitForFinished();

    ASSERT_EQ(rewriter_.calls.size(), 1u);
    EXPECT_EQ(rewriter_.calls[0].keep, (std::set<std::int64_t>{1, 3}));
    EXPECT_FALSE(segmentRow(segment.id));
    EXPECT_FALSE(fs::exists(fileOf(segment)));
    EXPECT_TRUE(pending().empty());
    EXPECT_EQ(forgotten_, std::vector<std::string>{segment.path});

    const ostrel::FrameRecord moved =
        hub_.readSync([&](MemoryStore& store) { return *store.frame(frames[3].id); });
    ASSERT_TRUE(moved.segmentID);
    const SegmentRecord rewritten = *segmentRow(*moved.segmentID);
    EXPECT_TRUE(
        std::regex_match(rewritten.path, std::regex("segments/2025-10-01/1-1759300000000-[0-9a-f]{8}\\.mp4")))
        << rewritten.path;
    EXPECT_TRUE(fs::exists(fileOf(rewritten)));
    EXPECT_EQ(rewritten.frameCount, 2);
    EXPECT_EQ(rewritten.start, frames[1].timestamp);
    EXPECT_EQ(rewritten.end, frames[3].timestamp);
    const std::vector<ostrel::FrameRecord> kept = framesOf(rewritten.id);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].id, frames[1].id);
    EXPECT_EQ(kept[0].segmentIndex, 0);
    EXPECT_EQ(kept[1].id, frames[3].id);
    EXPECT_EQ(kept[1].segmentIndex, 1);
}

TEST_F(RetentionManagerTest, DrainDeletesASegmentWhoseEveryFrameWasDeleted) {
    const SegmentRecord segment = addSegment("1-1.mp4", now - 5 * day, 2);
    const std::vector<ostrel::FrameRecord> frames = framesOf(segment.id);
    deleteFrames({frames[0].id, frames[1].id});

    manager_.drainPendingRewrites().waitForFinished();

    EXPECT_TRUE(rewriter_.calls.empty());
    EXPECT_FALSE(segmentRow(segment.id));
    EXPECT_FALSE(fs::exists(fileOf(segment)));
    EXPECT_TRUE(pending().empty());
}

TEST_F(RetentionManagerTest, DrainLeavesSegmentsStillBeingWrittenQueued) {
    const SegmentRecord listedOpen = addSegment("1-1.mp4", now - 5 * day, 2);
    const SegmentRecord rowOpen = addSegment("1-2.mp4", now - 4 * day, 2, 1000, false);
    openPaths_ = {listedOpen.path};
    deleteFrames({framesOf(listedOpen.id)[0].id, framesOf(rowOpen.id)[0].id});

    manager_.drainPendingRewrites().waitForFinished();

    EXPECT_TRUE(rewriter_.calls.empty());
    EXPECT_EQ(pending(), (std::vector<std::int64_t>{listedOpen.id, rowOpen.id}));
    EXPECT_TRUE(fs::exists(fileOf(listedOpen)));
    EXPECT_TRUE(fs::exists(fileOf(rowOpen)));
}

TEST_F(RetentionManagerTest, AFailedRewriteDeletesOnlyASegmentWhoseFileHoldsNothing) {
    using Kind = platform::MediaError::Kind;
    const struct {
        Kind kind;
        const char* error;
        bool deleted;
    } cases[] = {
        {Kind::invalidData, "the file holds no decodable video", true},
        // Could not be reached now: trying again later may succeed, so nothing may be lost.
        {Kind::unreadable, "Could not open the file: Too many open files", false},
        {Kind::unreadable, "Could not read a frame: Input/output error", false},
        {Kind::other, "Could not complete the file", false},
    };
    int name = 0;
    for (const auto& c : cases) {
        const SegmentRecord segment = addSegment("1-" + std::to_string(++name) + ".mp4", now - 5 * day, 3);
        const std::vector<ostrel::FrameRecord> frames = framesOf(segment.id);
        deleteFrames({frames[0].id});
        rewriter_.calls.clear();
        rewriter_.failure = platform::MediaError(c.kind, c.error);

        testsupport::LogCapture log;
        manager_.drainPendingRewrites().waitForFinished();

        EXPECT_EQ(log.count(QString("storage: Segment rewrite failed: ") + c.error), 1) << c.error;
        ASSERT_EQ(rewriter_.calls.size(), 1u) << c.error;
        EXPECT_FALSE(fs::exists(rewriter_.calls[0].destination)) << c.error;
        EXPECT_EQ(fs::exists(fileOf(segment)), !c.deleted) << c.error;
        EXPECT_EQ(segmentRow(segment.id).has_value(), !c.deleted) << c.error;
        EXPECT_EQ(pending(), c.deleted ? std::vector<std::int64_t>{} : std::vector<std::int64_t>{segment.id})
            << c.error;
        const auto left = hub_.readSync([&](MemoryStore& store) { return *store.frame(frames[1].id); });
        EXPECT_EQ(left.imageState, c.deleted ? ostrel::ImageState::dropped : ostrel::ImageState::segment)
            << c.error;
        EXPECT_EQ(left.segmentID.has_value(), !c.deleted) << c.error;
        hub_.sync([&](MemoryStore& store) { store.clearPendingRewrite(segment.id); });
    }

    // Once the file can be read again, the kept segment is rewritten after all.
    const SegmentRecord segment = addSegment("1-9.mp4", now - 5 * day, 3);
    deleteFrames({framesOf(segment.id)[0].id});
    rewriter_.failure = platform::MediaError(Kind::unreadable, "Too many open files");
    manager_.drainPendingRewrites().waitForFinished();
    rewriter_.failure.reset();
    manager_.drainPendingRewrites().waitForFinished();
    EXPECT_FALSE(segmentRow(segment.id));
    EXPECT_TRUE(pending().empty());
}

TEST_F(RetentionManagerTest, AnUnreadSegmentRowOrFrameListIsNotTakenForNoneAndStaysQueued) {
    const struct {
        std::string table;
        const char* logged;
    } cases[] = {
        {"segments", "storage: Reading segment %1 failed: SQLite 1: no such table: segments"},
        {"frames", "storage: Reading the frames of segment %1 failed: SQLite 1: no such table: frames"}};
    for (const auto& [table, logged] : cases) {
        const SegmentRecord segment = addSegment("1-" + table + ".mp4", now - 5 * day, 3);
        deleteFrames({framesOf(segment.id)[0].id});
        hub_.sync(
            [&](MemoryStore& store) { store.db().execute("ALTER TABLE " + table + " RENAME TO away"); });

        testsupport::LogCapture log;
        manager_.drainPendingRewrites().waitForFinished();
        EXPECT_EQ(log.count(QString(logged).arg(segment.id)), 1) << log.lines().join("\n").toStdString();

        hub_.sync([&](MemoryStore& store) { store.db().execute("ALTER TABLE away RENAME TO " + table); });
        EXPECT_TRUE(rewriter_.calls.empty()) << table;
        EXPECT_TRUE(segmentRow(segment.id)) << table;
        EXPECT_TRUE(fs::exists(fileOf(segment))) << table;
        EXPECT_EQ(pending(), std::vector<std::int64_t>{segment.id}) << table;
        hub_.sync([&](MemoryStore& store) { store.clearPendingRewrite(segment.id); });
    }
}

TEST_F(RetentionManagerTest, TextExpiresInBatchesEachFollowedByADrain) {
    // 2,500 old moments over three segments that the first, second and third batch empty in turn.
    const ostrel::Time old = now - 40 * day;
    addSegment("1-1.mp4", old, 1000);
    addSegment("1-2.mp4", old + 1000 * 60, 1000);
    addSegment("1-3.mp4", old + 2000 * 60, 500);
    std::vector<std::int64_t> segmentsLeftAtEachStop;
    runPass(policy(0, 0, 30, 0), false, [&] {
        segmentsLeftAtEachStop.push_back(
            hub_.readSync([](MemoryStore& store) { return store.storageBreakdown().segmentCount; }));
        return false;
    });
    EXPECT_EQ(segmentsLeftAtEachStop, (std::vector<std::int64_t>{2, 1, 0}));
    EXPECT_EQ(hub_.readSync([](MemoryStore& store) { return store.storageBreakdown().frameCount; }), 0);
}

TEST_F(RetentionManagerTest, SegmentsExpireAfterTheirDaysUnlessStillOpen) {
    const SegmentRecord expired = addSegment("1-1.mp4", now - 61 * day, 1);
    const SegmentRecord young = addSegment("1-2.mp4", now - 59 * day, 1);
    const SegmentRecord open = addSegment("1-3.mp4", now - 70 * day, 1);
    openPaths_ = {open.path};

    runPass(RetentionManager::defaultPolicy(), false);

    EXPECT_FALSE(segmentRow(expired.id));
    EXPECT_FALSE(fs::exists(fileOf(expired)));
    EXPECT_TRUE(segmentRow(young.id));
    EXPECT_TRUE(segmentRow(open.id));
    EXPECT_TRUE(fs::exists(fileOf(open)));
}

TEST_F(RetentionManagerTest, ThinningKeepsRepresentativeFramesOrOnlyMarksTheTier) {
    // Five moments of one window a minute apart: the planner keeps the first only.
    const SegmentRecord thinned = addSegment("1-1.mp4", now - 10 * day, 5);
    // One moment: kept whole, so only the tier changes.
    const SegmentRecord whole = addSegment("1-2.mp4", now - 9 * day, 1);
    const SegmentRecord recent = addSegment("1-3.mp4", now - 2 * day, 5);
    const std::vector<ostrel::FrameRecord> frames = framesOf(thinned.id);

    runPass(policy(7, 0, 0, 0), true);

    ASSERT_EQ(rewriter_.calls.size(), 1u);
    EXPECT_EQ(rewriter_.calls[0].source, fileOf(thinned));
    EXPECT_EQ(rewriter_.calls[0].keep, std::set<std::int64_t>{0});
    const auto first = hub_.readSync([&](MemoryStore& store) { return *store.frame(frames[0].id); });
    ASSERT_TRUE(first.segmentID);
    EXPECT_EQ(segmentRow(*first.segmentID)->tier, 1);
    EXPECT_EQ(hub_.readSync([&](MemoryStore& store) { return *store.frame(frames[1].id); }).imageState,
              ostrel::ImageState::dropped);
    EXPECT_EQ(segmentRow(whole.id)->tier, 1);
    EXPECT_TRUE(fs::exists(fileOf(whole)));
    EXPECT_EQ(segmentRow(recent.id)->tier, 0);
}

TEST_F(RetentionManagerTest, DeferralWhileThinningSkipsTheRestButStillReportsTheEnd) {
    const SegmentRecord first = addSegment("1-1.mp4", now - 10 * day, 5);
    const SegmentRecord second = addSegment("1-2.mp4", now - 9 * day, 5);
    const fs::path orphan = hub_.segmentsDirectory() / "2025-10-01" / "9-9.mp4";
    std::ofstream(orphan) << "unknown";
    fs::last_write_time(orphan, fs::file_time_type::clock::now() - std::chrono::hours(2));
    std::atomic<int> finished = 0;
    manager_.onFinished = [&] { ++finished; };

    int asked = 0;
    runPass(policy(7, 0, 0, 0), true, [&] { return ++asked > 1; });

    EXPECT_FALSE(segmentRow(first.id)); // replaced by its thinned copy
    EXPECT_EQ(segmentRow(second.id)->tier, 0);
    EXPECT_TRUE(fs::exists(orphan)); // the sweep did not run
    EXPECT_TRUE(QTest::qWaitFor([&] { return finished == 1; }));
}

TEST_F(RetentionManagerTest, WithoutHeavyWorkNothingIsThinnedButTheSweepRuns) {
    const SegmentRecord old = addSegment("1-1.mp4", now - 10 * day, 5);
    const fs::path orphan = hub_.segmentsDirectory() / "2025-10-01" / "9-9.mp4";
    std::ofstream(orphan) << "unknown";
    fs::last_write_time(orphan, fs::file_time_type::clock::now() - std::chrono::hours(2));

    runPass(policy(7, 0, 0, 0), false);

    EXPECT_TRUE(rewriter_.calls.empty());
    EXPECT_EQ(segmentRow(old.id)->tier, 0);
    EXPECT_FALSE(fs::exists(orphan));
}

TEST_F(RetentionManagerTest, DiskCapDeletesOldestFirstOnlyAboveTheCap) {
    const std::int64_t gigabyte = 1'000'000'000;
    std::vector<SegmentRecord> segments;
    for (int index = 0; index < 5; ++index) {
        segments.push_back(
            addSegment("1-" + std::to_string(index) + ".mp4", now - (5 - index) * day, 1, gigabyte));
    }
    const auto total = [&] {
        return hub_.readSync([](MemoryStore& store) { return store.storageBreakdown().totalBytes(); });
    };
    const auto remaining = [&] {
        return std::count_if(segments.begin(), segments.end(),
                             [&](const SegmentRecord& s) { return segmentRow(s.id).has_value(); });
    };

    for (const std::int64_t cap : {total(), std::int64_t{0}, std::int64_t{-1}}) {
        runPass(policy(0, 0, 0, cap), false);
        EXPECT_EQ(remaining(), 5) << "cap " << cap;
    }

    openPaths_ = {};
    for (const SegmentRecord& segment : segments) {
        openPaths_.insert(segment.path);
    }
    runPass(policy(0, 0, 0, 1), false);
    EXPECT_EQ(remaining(), 5) << "only open segments";
    openPaths_.clear();

    // Just above the cap: the oldest segment covers the excess, and the fresh total is then below.
    runPass(policy(0, 0, 0, total() - 1), false);
    EXPECT_EQ(remaining(), 4);
    EXPECT_FALSE(segmentRow(segments[0].id));
    EXPECT_FALSE(fs::exists(fileOf(segments[0])));
}

TEST_F(RetentionManagerTest, DiskCapStopsAfterFiftyBatches) {
    // Files for every row, so the sweep that follows keeps the rows the cap leaves.
    const fs::path folder = hub_.segmentsDirectory() / "2025-10-01";
    fs::create_directories(folder);
    for (int index = 0; index < 1100; ++index) {
        std::ofstream(folder / ("1-" + std::to_string(index) + ".mp4")) << "video";
    }
    hub_.sync([](MemoryStore& store) {
        store.db().transaction([&] {
            for (int index = 0; index < 1100; ++index) {
                const std::int64_t id =
                    store.openSegment("segments/2025-10-01/1-" + std::to_string(index) + ".mp4", 1,
                                      now - 10 * day + index, 640, 400);
                store.closeSegment(id, now - 10 * day + index, 1, 1'000'000);
            }
        });
    });
    runPass(policy(0, 0, 0, 1), false);
    EXPECT_EQ(hub_.readSync([](MemoryStore& store) { return store.storageBreakdown().segmentCount; }), 100);
}

TEST_F(RetentionManagerTest, SweepRemovesOldUnknownFilesVanishedRowsAndEmptyDayFolders) {
    const fs::path segments = hub_.segmentsDirectory();
    const auto place = [&](const fs::path& file, std::chrono::minutes age) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "x";
        fs::last_write_time(file, fs::file_time_type::clock::now() - age);
    };
    const fs::path young = segments / "2025-10-02" / "1-1.mp4";
    const fs::path old = segments / "2025-10-02" / "1-2.mp4";
    const fs::path openFile = segments / "2025-10-02" / "1-3.mp4";
    const fs::path otherKind = segments / "2025-10-02" / "notes.txt";
    const fs::path outside = (hub_.framesDirectory() / "pending") / "1-4.mp4";
    place(young, std::chrono::minutes(59));
    place(old, std::chrono::minutes(61));
    place(openFile, std::chrono::minutes(600));
    place(otherKind, std::chrono::minutes(600));
    place(outside, std::chrono::minutes(600));
    openPaths_ = {"segments/2025-10-02/1-3.mp4"};

    const SegmentRecord vanished = addSegment("2-1.mp4", now - day, 2);
    const SegmentRecord vanishedOpen = addSegment("2-2.mp4", now - day, 2, 1000, false);
    const SegmentRecord kept = addSegment("2-3.mp4", now - day, 2);
    const std::int64_t vanishedFrame = framesOf(vanished.id)[0].id;
    fs::remove(fileOf(vanished));
    fs::remove(fileOf(vanishedOpen));
    fs::create_directories(segments / "2025-10-03");
    place(segments / "2025-10-04" / ".hidden", std::chrono::minutes(0));

    runPass(policy(0, 0, 0, 0), false);

    EXPECT_TRUE(fs::exists(young));
    EXPECT_FALSE(fs::exists(old));
    EXPECT_TRUE(fs::exists(openFile));
    EXPECT_TRUE(fs::exists(otherKind));
    EXPECT_TRUE(fs::exists(outside));
    EXPECT_FALSE(segmentRow(vanished.id));
    EXPECT_EQ(hub_.readSync([&](MemoryStore& store) { return *store.frame(vanishedFrame); }).imageState,
              ostrel::ImageState::dropped);
    EXPECT_TRUE(segmentRow(vanishedOpen.id));
    EXPECT_TRUE(segmentRow(kept.id));
    EXPECT_TRUE(fs::exists(fileOf(kept)));
    EXPECT_FALSE(fs::exists(segments / "2025-10-03"));
    EXPECT_TRUE(fs::exists(segments / "2025-10-04"));
}

TEST_F(RetentionManagerTest, SweepRemovesNothingWhenTheKnownPathsCannotBeRead) {
    const SegmentRecord segment = addSegment("1-1.mp4", now - day, 1);
    fs::last_write_time(fileOf(segment), fs::file_time_type::clock::now() - std::chrono::hours(5));
    hub_.sync([](MemoryStore& store) { store.db().execute("ALTER TABLE segments RENAME TO segments_away"); });

    testsupport::LogCapture log;
    runPass(policy(0, 0, 0, 0), false);

    EXPECT_TRUE(fs::exists(fileOf(segment)));
    EXPECT_EQ(log.count("storage: Reading the segment paths failed: SQLite 1: no such table: segments"), 1)
        << log.lines().join("\n").toStdString();
}

TEST_F(RetentionManagerTest, StartDrainsThePendingRewritesButRunsNoPass) {
    const SegmentRecord queued = addSegment("1-1.mp4", now - 5 * day, 3);
    const SegmentRecord expired = addSegment("1-2.mp4", now - 90 * day, 1);
    deleteFrames({framesOf(queued.id)[0].id});

    manager_.start();

    EXPECT_TRUE(QTest::qWaitFor([&] { return pending().empty(); }));
    EXPECT_FALSE(segmentRow(queued.id));
    EXPECT_EQ(rewriter_.calls.size(), 1u);
    manager_.drainPendingRewrites().waitForFinished(); // the start-up drain is over too
    EXPECT_TRUE(segmentRow(expired.id));
}

} // namespace
