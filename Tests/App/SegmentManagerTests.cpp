#include "Store/SegmentManager.h"

#include "Platform/Fake/FakeVideoFiles.h"
#include "Storage/MemoryStore.h"
#include "Storage/OstrelPaths.h"
#include "Store/StoreHub.h"
#include "Support/LogCapture.h"
#include "Support/Moment.h"
#include "Support/TemporaryDirectory.h"

#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace vesperline;
using platform::FakeVideoFiles;
using platform::MediaError;

namespace {

// 2025-03-07 12:00:00 in Istanbul (UTC+3), the time zone the tests run in.
constexpr ostrel::Time march7 = 1741338000.0;

std::string contents(const std::filesystem::path& file) {
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct SegmentRow {
    std::int64_t frameCount = 0;
    std::int64_t bytes = 0;
    double end = 0;
    bool closed = false;
    std::int64_t width = 0;
    std::int64_t height = 0;
};

class SegmentManagerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        hub = std::make_unique<StoreHub>(dataDirectory.path());
        manager = std::make_unique<SegmentManager>(
            *hub, files, [this](const std::filesystem::path&) { return freeBytes; });
    }

    std::optional<SegmentManager::Appended>
    append(ostrel::Time date, ImageQuality quality = ImageQuality::balanced, std::uint32_t display = 1) {
        return manager->append(image.view(), display, date, quality);
    }
    // Waits for the close of segment `id` running in the background to reach its row.
    bool closedInTime(std::int64_t id) {
        return QTest::qWaitFor([&] { return row(id) && row(id)->closed; }, 5000);
    }

    std::optional<SegmentRow> row(std::int64_t id) {
        auto rows = hub->readSync([&](ostrel::MemoryStore& store) {
            return store.db().query(
                "SELECT frame_count, bytes, end_ts, closed, width, height FROM segments WHERE id = ?",
                {ostrel::SQLValue::integer(id)}, false, [](const ostrel::SQLRow& r) {
                    return SegmentRow{r.int64(0),      r.int64(1), r.real(2),
                                      r.int64(3) == 1, r.int64(4), r.int64(5)};
                });
        });
        return rows.empty() ? std::nullopt : std::optional(rows[0]);
    }
    std::int64_t segmentRowCount() {
        return hub->readSync([](ostrel::MemoryStore& store) {
            return *store.db().scalarInt("SELECT COUNT(*) FROM segments");
        });
    }
    std::filesystem::path fileOf(std::int64_t id) {
        const std::string path = *hub->readSync([&](ostrel::MemoryStore& store) {
            return store.db().scalarText("SELECT path FROM segments WHERE id = ?",
                                         {ostrel::SQLValue::integer(id)});
        });
        return hub->frameFile(path);
    }

    testsupport::DataFolder dataDirectory;
    FakeVideoFiles files;
    std::optional<std::int64_t> freeBytes = std::int64_t{100} << 30;
    std::unique_ptr<StoreHub> hub;
    std::unique_ptr<SegmentManager> manager;
    ostrel::BGRAImage image{2880, 1800};
};

TEST(SegmentManagerPaths, DayFolderDisplayAndWholeMillisecondsOfTheStart) {
    struct Case {
        std::uint32_t display;
        ostrel::Time start;
        std::string expected;
    };
    const Case cases[] = {
        {1, march7, "segments/2025-03-07/1-1741338000000.mp4"},
        {1, march7 + 0.0005678,
         "segments/2025-03-07/1-1741338000000.mp4"}, // a part of a millisecond is dropped
        {42, march7 + 0.25, "segments/2025-03-07/42-1741338000250.mp4"},
        {3, march7 + 12 * 3600 - 1, "segments/2025-03-07/3-1741381199000.mp4"}, // 23:59:59 local
        {3, march7 + 12 * 3600, "segments/2025-03-08/3-1741381200000.mp4"},     // local midnight
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SegmentManager::storedPath(c.display, c.start), c.expected);
    }
}

TEST_F(SegmentManagerTest, TheFirstFrameOpensASegmentWithItsRowAndPrivateDayFolder) {
    const auto first = append(march7);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->index, 0);
    EXPECT_EQ(append(march7 + 2), (SegmentManager::Appended{first->segmentID, 1}));

    ASSERT_EQ(manager->open().size(), 1u);
    const SegmentManager::Open& open = manager->open().at(1);
    EXPECT_EQ(open.path, "segments/2025-03-07/1-1741338000000.mp4");
    EXPECT_EQ(fileOf(first->segmentID), open.writer->url());
    EXPECT_TRUE(std::filesystem::exists(open.writer->url()));
    const auto folder = std::filesystem::status(open.writer->url().parent_path()).permissions();
    EXPECT_EQ(folder, std::filesystem::perms::owner_all);
    // Balanced: quality 0.5 and at most 1920 pixels wide.
    EXPECT_FLOAT_EQ(files.createdSettings().at(0).quality, 0.5f);
    const auto opened = row(first->segmentID);
    ASSERT_TRUE(opened);
    EXPECT_FALSE(opened->closed);
    EXPECT_EQ(opened->width, 1920);
    EXPECT_EQ(opened->height, 1200);
    EXPECT_EQ(opened->end, march7);
}

TEST_F(SegmentManagerTest, SegmentsRollOverByCountAgeSizeQualityAndFailure) {
    // The 301st frame starts a new segment at index 0; the full one is closed with 300 frames.
    std::optional<SegmentManager::Appended> last;
    for (int i = 0; i < 300; ++i) {
        last = append(march7 + i);
    }
    ASSERT_EQ(last->index, 299);
    const std::int64_t full = last->segmentID;
    const auto next = append(march7 + 300);
    ASSERT_TRUE(next);
    EXPECT_NE(next->segmentID, full);
    EXPECT_EQ(next->index, 0);
    ASSERT_TRUE(closedInTime(full));
    EXPECT_EQ(row(full)->frameCount, 300);
    EXPECT_EQ(row(full)->end, march7 + 299);
    EXPECT_GT(row(full)->bytes, 0);

    // Age: 1799.9 s after the first frame stays, 1800 s starts anew.
    const ostrel::Time start = march7 + 300;
    EXPECT_EQ(append(start + 1799.9)->segmentID, next->segmentID);
    const auto aged = append(start + 1800);
    EXPECT_NE(aged->segmentID, next->segmentID);
    EXPECT_EQ(aged->index, 0);

    // Another quality, then another resolution.
    const auto sharper = append(start + 1801, ImageQuality::sharp);
    EXPECT_NE(sharper->segmentID, aged->segmentID);
    EXPECT_FLOAT_EQ(files.createdSettings().back().quality, 0.6f);
    EXPECT_EQ(files.createdSettings().back().width, 2560);
    image = ostrel::BGRAImage(1280, 800);
    const auto resized = append(start + 1802, ImageQuality::sharp);
    EXPECT_NE(resized->segmentID, sharper->segmentID);
    EXPECT_EQ(resized->index, 0);

    // A rejected append leaves the segment failed; the next frame opens a new one.
    files.rejectAppends = true;
    EXPECT_FALSE(append(start + 1803, ImageQuality::sharp));
    files.rejectAppends = false;
    const auto afterFailure = append(start + 1804, ImageQuality::sharp);
    EXPECT_NE(afterFailure->segmentID, resized->segmentID);
    EXPECT_EQ(afterFailure->index, 0);

    // Displays have segments of their own.
    const auto other = append(start + 1804, ImageQuality::sharp, 2);
    EXPECT_NE(other->segmentID, afterFailure->segmentID);
    EXPECT_EQ(manager->open().size(), 2u);
}

TEST_F(SegmentManagerTest, ALowDiskPausesAndResumesWithOneLineEach) {
    testsupport::LogCapture log;
    freeBytes = 2147483647;
    EXPECT_FALSE(append(march7));
    EXPECT_FALSE(append(march7 + 10));
    EXPECT_TRUE(manager->open().empty());
    EXPECT_EQ(segmentRowCount(), 0);

    // Within a minute the answer is the cached one, whatever the disk says now.
    freeBytes = 2147483648;
    EXPECT_FALSE(append(march7 + 59.9));
    // A clock set back before the last reading reads again.
    EXPECT_TRUE(append(march7 - 5));
    EXPECT_EQ(log.lines(), (QStringList{"capture: Free disk space 2147483647 bytes: images paused",
                                        "capture: Free disk space 2147483648 bytes: images resumed"}));

    // No reading while a segment is open, and an unreadable figure keeps the last state.
    freeBytes = std::nullopt;
    EXPECT_TRUE(append(march7 + 100));
    EXPECT_FALSE(manager->isDiskLow(march7 + 200));
    EXPECT_EQ(log.lines().size(), 2);
}

TEST_F(SegmentManagerTest, IdleSegmentsCloseAtTheBoundaryAndEmptyOnesLeaveNothing) {
    const auto first = append(march7);
    append(march7 + 10, ImageQuality::balanced, 2);
    manager->closeIdle(march7 + 119.9, 120);
    EXPECT_EQ(manager->open().size(), 2u);
    manager->closeIdle(march7 + 120, 120);
    ASSERT_EQ(manager->open().size(), 1u);
    EXPECT_EQ(manager->open().begin()->first, 2u);
    EXPECT_TRUE(closedInTime(first->segmentID));

    // A segment that never got a frame: busy encoder on its first frame.
    manager->closeAll();
    files.setReady(false);
    EXPECT_FALSE(append(march7 + 200));
    ASSERT_EQ(manager->open().size(), 1u);
    const auto empty = manager->open().at(1);
    manager->close(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !row(empty.id); }, 5000));
    EXPECT_FALSE(std::filesystem::exists(empty.writer->url()));
}

TEST_F(SegmentManagerTest, ClosingSynchronouslyRecordsEverySegmentBeforeReturning) {
    const auto a = append(march7);
    append(march7 + 3);
    const auto b = append(march7 + 4, ImageQuality::compact, 7);
    manager->closeAllSynchronously();
    EXPECT_TRUE(manager->open().empty());
    const auto first = row(a->segmentID);
    EXPECT_TRUE(first->closed);
    EXPECT_EQ(first->frameCount, 2);
    EXPECT_EQ(first->end, march7 + 3);
    EXPECT_EQ(first->bytes, ostrel::OstrelPaths::allocatedSize(fileOf(a->segmentID)));
    EXPECT_TRUE(row(b->segmentID)->closed);
    EXPECT_EQ(row(b->segmentID)->width, 1440); // compact
}

TEST_F(SegmentManagerTest, ClosingSynchronouslyWaitsForClosesAlreadyInTheBackground) {
    const auto a = append(march7);
    const auto b = append(march7, ImageQuality::balanced, 2);
    const auto file = manager->open().at(1).writer->url();
    files.finishDelayMilliseconds = 200;
    manager->closeAll();
    ASSERT_TRUE(manager->open().empty());
    manager->closeAllSynchronously();
    EXPECT_TRUE(row(a->segmentID)->closed) << "recorded before it returned";
    EXPECT_TRUE(row(b->segmentID)->closed);
    EXPECT_EQ(contents(file).substr(contents(file).size() - 4), "end\n") << "the file is finished";
}

TEST_F(SegmentManagerTest, AClosingFinishThatOutlastsItsWaitIsRecordedWithTheSizeSoFar) {
    const auto a = append(march7);
    const auto file = manager->open().at(1).writer->url();
    files.finishDelayMilliseconds = 400;
    manager->closeAllSynchronously(std::chrono::milliseconds(50));
    const auto closed = row(a->segmentID);
    EXPECT_TRUE(closed->closed);
    EXPECT_EQ(closed->frameCount, 1);
    EXPECT_GT(closed->bytes, 0);
    // The finish goes on without the waiter, and the manager waits for it when it goes.
    manager.reset();
    EXPECT_EQ(contents(file).substr(contents(file).size() - 4), "end\n");
}

TEST_F(SegmentManagerTest, DestroyingTheManagerWaitsForTheClosesInTheBackground) {
    const auto a = append(march7);
    files.finishDelayMilliseconds = 200;
    manager->closeAll();
    manager.reset();
    EXPECT_TRUE(row(a->segmentID)->closed);
}

TEST_F(SegmentManagerTest, FailuresToOpenAreLoggedAndLeaveNoOrphanFile) {
    testsupport::LogCapture log;
    files.failCreate(MediaError(MediaError::Kind::other, "no encoder"));
    EXPECT_FALSE(append(march7));
    EXPECT_EQ(log.lines(), QStringList{"capture: Could not open segment: no encoder"});
    files.failCreate(std::nullopt);

    // The row cannot be inserted: the file just created must not stay behind without a row.
    hub->sync([](ostrel::MemoryStore& store) {
        store.db().execute("CREATE TEMP TRIGGER refuse BEFORE INSERT ON segments BEGIN SELECT RAISE(ABORT, "
                           "'refused'); END;");
    });
    EXPECT_FALSE(append(march7 + 1));
    EXPECT_EQ(log.count("capture: Could not open segment:"), 2);
    EXPECT_FALSE(std::filesystem::exists(hub->frameFile(SegmentManager::storedPath(1, march7 + 1))));
    EXPECT_TRUE(manager->open().empty());

    // The next frame tries again.
    hub->sync([](ostrel::MemoryStore& store) { store.db().execute("DROP TRIGGER refuse"); });
    EXPECT_TRUE(append(march7 + 2));
}

TEST_F(SegmentManagerTest, AFailedCloseRecordIsLoggedAndTheRowStaysOpen) {
    testsupport::LogCapture log;
    const auto a = append(march7);
    hub->sync([](ostrel::MemoryStore& store) {
        store.db().execute("CREATE TEMP TRIGGER refuse BEFORE UPDATE ON segments BEGIN SELECT RAISE(ABORT, "
                           "'refused'); END;");
    });
    manager->closeAllSynchronously();
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].startsWith("storage: Segment close record failed: "))
        << log.lines()[0].toStdString();
    EXPECT_TRUE(log.lines()[0].contains("refused"));
    EXPECT_FALSE(row(a->segmentID)->closed);
}

// ---- Start-up recovery ----------------------------------------------------------------------

class SegmentRecoveryTest : public SegmentManagerTest {
  protected:
    // An open row whose file lists `frames` frames, with one moment per frame.
    std::int64_t openRow(const std::string& name, int frames, bool withFile = true) {
        const std::string path = "segments/2025-03-07/" + name;
        const auto url = hub->frameFile(path);
        if (withFile) {
            std::filesystem::create_directories(url.parent_path());
            std::ofstream out(url);
            out << FakeVideoFiles::header << '\n';
            for (int i = 0; i < frames; ++i) {
                out << "frame " << i << " 64x40\n";
            }
        }
        return hub->sync([&](ostrel::MemoryStore& store) {
            const std::int64_t id = store.openSegment(path, 1, march7, 64, 40);
            for (int i = 0; i < frames; ++i) {
                store.insertFrame(testsupport::Moment(march7 + 2 * i).inSegment(id, i));
            }
            return id;
        });
    }
    // Moments of the segment that still have their picture.
    std::int64_t framesWithPicture(std::int64_t id) {
        return hub->readSync([&](ostrel::MemoryStore& store) {
            return *store.db().scalarInt(
                "SELECT COUNT(*) FROM frames WHERE segment_id = ? AND image_state = 1",
                {ostrel::SQLValue::integer(id)});
        });
    }
    std::int64_t framesDropped() {
        return hub->readSync([&](ostrel::MemoryStore& store) {
            return *store.db().scalarInt("SELECT COUNT(*) FROM frames WHERE image_state = 2 AND segment_id "
                                         "IS NULL AND segment_index IS NULL");
        });
    }
    void recover() { SegmentManager::recoverOpenSegments(*hub, files); }
};

TEST_F(SegmentRecoveryTest, ClosesWithTheFramesUpToTheLastThatDecodes) {
    const std::int64_t id = openRow("1-1741338000000.mp4", 42);
    files.setUndecodable({41});
    recover();
    const auto repaired = row(id);
    ASSERT_TRUE(repaired);
    EXPECT_TRUE(repaired->closed);
    EXPECT_EQ(repaired->frameCount, 41);
    EXPECT_EQ(repaired->end, march7 + 2 * 40); // the newest moment still in the segment
    EXPECT_EQ(repaired->bytes, ostrel::OstrelPaths::allocatedSize(fileOf(id)));
    EXPECT_EQ(framesWithPicture(id), 41);
    EXPECT_EQ(framesDropped(), 1);
    // A file cut by a crash is read on one thread, which cannot wait for ever.
    EXPECT_EQ(files.openedModes(), std::vector{platform::DecodeMode::careful});
}

TEST_F(SegmentRecoveryTest, RowsThatKeptNothingGoWithTheirFiles) {
    const std::int64_t missing = openRow("1-1.mp4", 2, false);
    const std::int64_t undecodable = openRow("1-2.mp4", 3);
    const std::int64_t empty = openRow("1-3.mp4", 0);
    std::filesystem::resize_file(fileOf(empty), 0);
    const std::int64_t notVideo = openRow("1-4.mp4", 0);
    std::ofstream(fileOf(notVideo)) << "something else";
    const auto undecodableFile = fileOf(undecodable);
    const auto emptyFile = fileOf(empty);
    const auto notVideoFile = fileOf(notVideo);
    files.setUndecodable({0, 1, 2});
    recover();
    for (std::int64_t id : {missing, undecodable, empty, notVideo}) {
        EXPECT_FALSE(row(id)) << id;
    }
    EXPECT_EQ(framesDropped(), 5);
    EXPECT_FALSE(std::filesystem::exists(undecodableFile));
    EXPECT_FALSE(std::filesystem::exists(emptyFile));
    EXPECT_FALSE(std::filesystem::exists(notVideoFile));
}

TEST_F(SegmentRecoveryTest, AFileThatCannotBeReachedNowIsKeptForTheNextStart) {
    testsupport::LogCapture log;
    const std::int64_t id = openRow("1-1741338000000.mp4", 3);
    const auto file = fileOf(id);
    files.failOpen(MediaError(MediaError::Kind::unreadable, "Too many open files"));
    recover();
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_FALSE(row(id)->closed);
    EXPECT_EQ(framesWithPicture(id), 3);
    EXPECT_EQ(log.count("storage: Could not read segment segments/2025-03-07/1-1741338000000.mp4"), 1);

    files.failOpen(std::nullopt);
    recover();
    EXPECT_TRUE(row(id)->closed);
    EXPECT_EQ(row(id)->frameCount, 3);
}

TEST_F(SegmentRecoveryTest, ClosedRowsAreLeftAlone) {
    const std::int64_t id = openRow("1-5.mp4", 2);
    hub->sync([&](ostrel::MemoryStore& store) { store.closeSegment(id, march7 + 2, 2, 100); });
    files.setUndecodable({0, 1});
    recover();
    EXPECT_TRUE(files.openedFiles().empty());
    EXPECT_EQ(row(id)->bytes, 100);
}

} // namespace
