#include "Store/StoreHub.h"

#include "Runtime/MainThread.h"
#include "Storage/SQLiteError.h"
#include "Support/DamagedPages.h"
#include "Support/FileMode.h"
#include "Support/LogCapture.h"
#include "Support/ManualClock.h"
#include "Support/TemporaryDirectory.h"

#include <QLocale>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <latch>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using ostrel::MemoryStore;
using ostrel::SQLiteError;
using vesperline::StoreHub;
namespace fs = std::filesystem;

namespace {

// 2025-03-01 14:05:09 in Istanbul, where the tests run.
constexpr ostrel::Time fixedMoment = 1740827109;

void writeFile(const fs::path& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class StoreHubTest : public testing::Test {
  protected:
    StoreHubTest() : clock_(fixedMoment) {}

    std::unique_ptr<StoreHub> makeHub() {
        auto hub = std::make_unique<StoreHub>(data_.path(), clock_);
        hub->setOnDamage([this] {
            EXPECT_TRUE(vesperline::MainThread::isCurrent());
            ++damageReports_;
        });
        return hub;
    }

    // Lets the main thread run what was posted to it, then a little longer to catch extra reports.
    void settle() {
        QTest::qWait(30);
        QCoreApplication::processEvents();
    }

    fs::path dataFile(const std::string& name) const { return data_.path() / name; }

    testsupport::DataFolder data_;
    testsupport::ManualClock clock_;
    std::atomic<int> damageReports_{0};
};

} // namespace

TEST_F(StoreHubTest, TheCheckFindsDamageNoReadMetAndGivesUpAtItsBudget) {
    auto hub = makeHub();
    // Enough pages that a check cannot end within a millisecond.
    hub->sync([](MemoryStore& store) {
        store.db().execute(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10000) "
            "INSERT INTO summaries SELECT 'day' || i, hex(randomblob(600)), 0, 'test' FROM n;");
        store.checkpoint();
    });
    EXPECT_TRUE(hub->checkAsync(std::chrono::seconds(60)).result());
    EXPECT_FALSE(hub->checkAsync(std::chrono::milliseconds(1)).result()) << "stopped at its budget";
    settle();
    EXPECT_EQ(damageReports_, 0);

    testsupport::LogCapture log;
    testsupport::damageFirstPage(hub->databaseFile(), "idx_segments_end");
    EXPECT_TRUE(hub->checkAsync(std::chrono::seconds(60)).result());
    ASSERT_TRUE(QTest::qWaitFor([&] { return damageReports_ == 1; }, 5000));
    EXPECT_EQ(log.count("Database is damaged: SQLite 11: the quick check found: "), 1)
        << log.lines().join("\n").toStdString();
    // Reads and writes go on meanwhile: the check has a connection and a queue of its own.
    EXPECT_EQ(hub->readSync([](MemoryStore& store) { return store.db().scalarInt("SELECT 1"); }), 1);
}

TEST_F(StoreHubTest, EveryAccessOperationReachesTheSameDatabase) {
    auto hub = makeHub();
    EXPECT_EQ(hub->writeQueue().label().toStdString(), "org.vesperline.Vesperline.store.write");
    EXPECT_EQ(hub->readQueue().label().toStdString(), "org.vesperline.Vesperline.store.read");
    EXPECT_EQ(hub->databaseFile(), data_.path() / "ostrel.sqlite");

    hub->sync([](MemoryStore& store) { store.setMetaValue("a", "1"); });
    EXPECT_EQ(hub->readSync([](MemoryStore& store) { return store.metaValue("a"); }), "1");

    hub->writeAsync([](MemoryStore& store) { store.setMetaValue("b", "2"); }).waitForFinished();
    EXPECT_EQ(hub->readAsync([](MemoryStore& store) { return store.metaValue("b"); }).result(), "2");

    std::optional<bool> wrote;
    QObject receiver;
    hub->write([](MemoryStore& store) { store.setMetaValue("c", "3"); }, &receiver,
               [&](const vesperline::StoreOutcome<void>& outcome) { wrote = outcome.succeeded(); });
    hub->write([](MemoryStore& store) { store.setMetaValue("d", "4"); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return wrote.has_value(); }, 5000));
    EXPECT_TRUE(*wrote);
    // A synchronous write waits for the writes posted before it.
    EXPECT_EQ(hub->sync([](MemoryStore& store) { return store.metaValue("d"); }), "4");

    // The reader is read-only; that failure is not damage.
    EXPECT_THROW(hub->readSync([](MemoryStore& store) { store.setMetaValue("e", "5"); }), SQLiteError);
    EXPECT_EQ(hub->searchQueue().label().toStdString(), "org.vesperline.Vesperline.store.search");
    EXPECT_EQ(hub->searchAsync([](MemoryStore& store) { return store.metaValue("d"); }).result(), "4");
    EXPECT_THROW(hub->searchAsync([](MemoryStore& store) { store.setMetaValue("f", "6"); }).waitForFinished(),
                 SQLiteError);
    settle();
    EXPECT_EQ(damageReports_.load(), 0);
}

TEST_F(StoreHubTest, ASearchWaitsBehindNoOtherReadAndASupersededOneStops) {
    auto hub = makeHub();
    hub->sync([](MemoryStore& store) { store.setMetaValue("a", "1"); });

    // A read that takes its time holds the read queue, not the searches.
    std::latch readHeld(1);
    QFuture<void> read = hub->readAsync([&](MemoryStore&) { readHeld.wait(); });
    EXPECT_EQ(hub->searchAsync([](MemoryStore& store) { return store.metaValue("a"); }).result(), "1");
    readHeld.count_down();
    read.waitForFinished();

    // Superseded before its turn came: not run at all.
    std::latch searchHeld(1);
    QFuture<void> holding = hub->searchAsync([&](MemoryStore&) { searchHeld.wait(); });
    std::atomic<bool> superseded = false;
    std::atomic<bool> ran = false;
    QFuture<void> stale =
        hub->searchAsync([&](MemoryStore&) { ran = true; }, [&] { return superseded.load(); });
    superseded = true;
    searchHeld.count_down();
    EXPECT_THROW(stale.waitForFinished(), StoreHub::SearchSuperseded);
    EXPECT_FALSE(ran);

    // Superseded while SQLite works on it: the statement stops and the next search runs.
    superseded = false;
    std::atomic<bool> started = false;
    // About a minute of counting, were it not stopped.
    const std::string counting =
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n LIMIT 300000000) "
        "SELECT count(*) FROM n";
    QFuture<std::optional<std::int64_t>> running = hub->searchAsync(
        [&](MemoryStore& store) {
            started = true;
            return store.db().scalarInt(counting);
        },
        [&] { return superseded.load(); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.load(); }, 5000));
    superseded = true;
    try {
        running.waitForFinished();
        ADD_FAILURE() << "the superseded search ran to its end";
    } catch (const SQLiteError& error) {
        EXPECT_EQ(error.primaryCode(), 9); // SQLITE_INTERRUPT
    }
    EXPECT_EQ(hub->searchAsync([](MemoryStore& store) { return store.metaValue("a"); }).result(), "1");
    settle();
    EXPECT_EQ(damageReports_.load(), 0);
}

TEST_F(StoreHubTest, OnlyCorruptAndNotADatabaseCountAsDamage) {
    struct Case {
        int code;
        bool damage;
    };
    const Case cases[] = {
        {11, true},    {26, true},  {267, true}, {523, true}, {779, true}, // corrupt / not a db
        {5, false},    {10, false}, {13, false}, {19, false}, {21, false},
        {2067, false}, {0, false}, // busy, I/O, full, ...
    };
    for (const Case& c : cases) {
        testsupport::LogCapture log;
        damageReports_ = 0;
        auto hub = makeHub();
        EXPECT_THROW(hub->sync([&](MemoryStore&) { throw SQLiteError(c.code, "failure"); }), SQLiteError);
        settle();
        EXPECT_EQ(damageReports_.load(), c.damage ? 1 : 0) << c.code;
        EXPECT_EQ(log.count("storage: Database is damaged"), c.damage ? 1 : 0) << c.code;
    }
    // Errors of other kinds, and a real constraint failure, reach the caller without a report.
    auto hub = makeHub();
    EXPECT_THROW(hub->readSync([](MemoryStore&) -> int { throw std::runtime_error("not sqlite"); }),
                 std::runtime_error);
    try {
        hub->sync([](MemoryStore& store) {
            store.db().execute("CREATE TABLE once (v UNIQUE); INSERT INTO once VALUES (1);");
            store.db().run("INSERT INTO once VALUES (1)");
        });
        ADD_FAILURE() << "the duplicate was accepted";
    } catch (const SQLiteError& error) {
        EXPECT_EQ(error.primaryCode(), 19);
    }
    settle();
    EXPECT_EQ(damageReports_.load(), 0);
}

TEST_F(StoreHubTest, DamageOnBothQueuesAtOnceIsLoggedAndReportedOnceUntilARecovery) {
    testsupport::LogCapture log;
    auto hub = makeHub();
    std::latch bothRunning(2);
    auto damaged = [&](int code) {
        return [&bothRunning, code](MemoryStore&) -> int {
            bothRunning.arrive_and_wait();
            throw SQLiteError(code, "database disk image is malformed");
        };
    };
    QFuture<int> write = hub->writeAsync(damaged(11));
    QFuture<int> read = hub->readAsync(damaged(267));
    EXPECT_THROW(write.waitForFinished(), SQLiteError);
    EXPECT_THROW(read.waitForFinished(), SQLiteError);
    // A later one is only handed on.
    EXPECT_THROW(hub->sync([](MemoryStore&) { throw SQLiteError(26, "file is not a database"); }),
                 SQLiteError);
    ASSERT_TRUE(QTest::qWaitFor([&] { return damageReports_ == 1; }, 5000));
    settle();
    EXPECT_EQ(damageReports_.load(), 1);
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].startsWith("storage: Database is damaged: SQLite "))
        << log.lines()[0].toStdString();

    hub->recover();
    EXPECT_TRUE(fs::exists(dataFile("ostrel-damaged-20250301-140509.sqlite")));
    hub->sync([](MemoryStore& store) { store.setMetaValue("after", "recovery"); }); // a working new database
    EXPECT_THROW(hub->readSync([](MemoryStore&) -> int { throw SQLiteError(11, "again"); }), SQLiteError);
    ASSERT_TRUE(QTest::qWaitFor([&] { return damageReports_ == 2; }, 5000));
    EXPECT_EQ(log.count("storage: Database is damaged"), 2);
}

TEST_F(StoreHubTest, FailedRecoveryKeepsDamageReportedAndOverwritesNoEarlierCopy) {
    auto hub = makeHub();
    hub->sync([](MemoryStore& store) { store.setMetaValue("kept", "yes"); });
    EXPECT_THROW(hub->sync([](MemoryStore&) { throw SQLiteError(26, "file is not a database"); }),
                 SQLiteError);
    ASSERT_TRUE(QTest::qWaitFor([&] { return damageReports_ == 1; }, 5000));

    // An earlier quarantine in the same second left a copy of the write-ahead log.
    const fs::path earlier = dataFile("ostrel-damaged-20250301-140509.sqlite-wal");
    writeFile(earlier, "earlier copy");
    EXPECT_THROW(hub->recover(), fs::filesystem_error);
    EXPECT_EQ(readFile(earlier), "earlier copy");
    EXPECT_TRUE(fs::exists(dataFile("ostrel.sqlite")));
    EXPECT_FALSE(fs::exists(dataFile("ostrel-damaged-20250301-140509.sqlite")));

    // Until a recovery succeeds, the stores are closed: "closed" is no damage, and damage is not
    // reported a second time.
    try {
        hub->readSync([](MemoryStore& store) { return store.metaValue("kept"); });
        ADD_FAILURE() << "a closed store answered";
    } catch (const SQLiteError& error) {
        EXPECT_EQ(error.message(), "closed");
    }
    EXPECT_THROW(hub->sync([](MemoryStore&) { throw SQLiteError(11, "malformed"); }), SQLiteError);
    settle();
    EXPECT_EQ(damageReports_.load(), 1);

    clock_.advance(1);
    hub->recover();
    EXPECT_TRUE(fs::exists(dataFile("ostrel-damaged-20250301-140510.sqlite")));
    EXPECT_EQ(hub->readSync([](MemoryStore& store) { return store.metaValue("kept"); }), std::nullopt);
    EXPECT_THROW(hub->sync([](MemoryStore&) { throw SQLiteError(11, "malformed"); }), SQLiteError);
    ASSERT_TRUE(QTest::qWaitFor([&] { return damageReports_ == 2; }, 5000));
}

TEST_F(StoreHubTest, QuarantineMovesWhatExistsUnderTheStampedNames) {
    struct Case {
        std::vector<std::string> present;
    };
    const Case cases[] = {{{"", "-wal", "-shm"}}, {{""}}, {{"-wal"}}, {{}}};
    for (const Case& c : cases) {
        fs::remove_all(data_.path());
        fs::create_directories(data_.path());
        for (const std::string& suffix : c.present) {
            writeFile(dataFile("ostrel.sqlite" + suffix), "contents" + suffix);
        }
        StoreHub::quarantineDamagedFile(data_.path(), fixedMoment);
        for (const std::string suffix : {"", "-wal", "-shm"}) {
            const bool wasPresent = std::find(c.present.begin(), c.present.end(), suffix) != c.present.end();
            const fs::path moved = dataFile("ostrel-damaged-20250301-140509.sqlite" + suffix);
            EXPECT_FALSE(fs::exists(dataFile("ostrel.sqlite" + suffix))) << suffix;
            EXPECT_EQ(fs::exists(moved), wasPresent) << suffix;
            if (wasPresent) {
                EXPECT_EQ(readFile(moved), "contents" + suffix);
                EXPECT_EQ(testsupport::fileMode(moved), 0600) << "whatever the original allowed";
            }
        }
    }
}

TEST_F(StoreHubTest, QuarantineStampIsLocalTimeWithWesternDigitsAnd24Hours) {
    fs::create_directories(data_.path());
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt)); // other digits, a 12-hour clock
    writeFile(dataFile("ostrel.sqlite"), "x");
    StoreHub::quarantineDamagedFile(data_.path(), fixedMoment + 3600 * 9); // 23:05:09 local, 20:05:09 UTC
    QLocale::setDefault(saved);
    EXPECT_TRUE(fs::exists(dataFile("ostrel-damaged-20250301-230509.sqlite")));
}

TEST_F(StoreHubTest, EraseAllRemovesTheMemoryButNothingElseOfTheDataFolder) {
    auto hub = makeHub();
    hub->sync([](MemoryStore& store) { store.setMetaValue("secret", "moment"); });
    writeFile(dataFile("notes.txt"), "the user's own file");
    writeFile(dataFile("ostrel-damaged-20240101-000000.sqlite"), "old copy");
    writeFile(dataFile("ostrel-damaged-20240101-000000.sqlite-wal"), "old log");
    writeFile(hub->segmentsDirectory() / "segment.mp4", "video");
    const auto createdBefore =
        hub->readSync([](MemoryStore& store) { return store.metaValue("created_at"); });

    hub->eraseAll();

    EXPECT_EQ(readFile(dataFile("notes.txt")), "the user's own file");
    EXPECT_FALSE(fs::exists(dataFile("ostrel-damaged-20240101-000000.sqlite")));
    EXPECT_FALSE(fs::exists(dataFile("ostrel-damaged-20240101-000000.sqlite-wal")));
    EXPECT_FALSE(fs::exists(hub->segmentsDirectory() / "segment.mp4"));
    EXPECT_TRUE(fs::is_directory(hub->segmentsDirectory()));
    EXPECT_EQ(hub->readSync([](MemoryStore& store) { return store.metaValue("secret"); }), std::nullopt);
    EXPECT_TRUE(hub->readSync([](MemoryStore& store) { return store.metaValue("created_at"); }).has_value());
    EXPECT_TRUE(createdBefore.has_value());
    hub->sync([](MemoryStore& store) { store.setMetaValue("fresh", "start"); });
    EXPECT_EQ(hub->readAsync([](MemoryStore& store) { return store.metaValue("fresh"); }).result(), "start");

    // With the data folder gone, erasing still ends with a new, empty database.
    fs::remove_all(data_.path());
    hub->eraseAll();
    EXPECT_TRUE(fs::exists(dataFile("ostrel.sqlite")));
    EXPECT_EQ(hub->readSync([](MemoryStore& store) { return store.metaValue("fresh"); }), std::nullopt);
}

TEST_F(StoreHubTest, EraseAllWaitsForTheWriteInProgress) {
    auto hub = makeHub();
    std::latch writing(1);
    std::atomic<bool> writeFinished{false};
    QFuture<void> slowWrite = hub->writeAsync([&](MemoryStore& store) {
        writing.count_down();
        QThread::msleep(300); // erasing starts meanwhile and must not close this store under it
        store.setMetaValue("slow", "write");
        writeFinished = true;
    });
    writing.wait();
    hub->eraseAll();
    EXPECT_TRUE(writeFinished.load());
    EXPECT_NO_THROW(slowWrite.waitForFinished());
    EXPECT_EQ(hub->readSync([](MemoryStore& store) { return store.metaValue("slow"); }), std::nullopt);
}

TEST_F(StoreHubTest, WriteCompletionsTellDamageFromOtherFailuresOnTheMainThread) {
    using vesperline::StoreFailure;
    using vesperline::StoreOutcome;
    auto hub = makeHub();
    QObject receiver;
    std::optional<StoreOutcome<int>> damaged;
    bool onMain = false;
    hub->write([](MemoryStore&) -> int { throw SQLiteError(267, "malformed"); }, &receiver,
               [&](const StoreOutcome<int>& outcome) {
                   onMain = vesperline::MainThread::isCurrent();
                   damaged = outcome;
               });
    std::optional<StoreOutcome<void>> busy;
    hub->write([](MemoryStore&) { throw SQLiteError(5, "busy"); }, &receiver,
               [&](const StoreOutcome<void>& outcome) { busy = outcome; });
    std::optional<StoreOutcome<int>> success;
    hub->write([](MemoryStore&) { return 42; }, &receiver,
               [&](const StoreOutcome<int>& outcome) { success = outcome; });
    EXPECT_FALSE(damaged.has_value()); // never inline
    ASSERT_TRUE(QTest::qWaitFor([&] { return damaged && busy && success; }, 5000));
    EXPECT_TRUE(onMain);
    EXPECT_FALSE(damaged->succeeded());
    EXPECT_EQ(damaged->failure, StoreFailure::damaged);
    EXPECT_EQ(damaged->error, "SQLite 267: malformed");
    EXPECT_FALSE(busy->succeeded());
    EXPECT_EQ(busy->failure, StoreFailure::other);
    EXPECT_EQ(success->value, 42);
    EXPECT_EQ(success->failure, std::nullopt);
    EXPECT_EQ(damageReports_.load(), 1);
}

TEST_F(StoreHubTest, ACompletionWhoseReceiverIsGoneIsNotCalledAndAFailedWriteWithoutOneIsLogged) {
    testsupport::LogCapture log;
    auto hub = makeHub();
    std::latch release(1);
    // The write queue is held, so both writes below finish after their receiver is gone.
    hub->write([&](MemoryStore&) { release.wait(); });
    bool called = false;
    auto receiver = std::make_unique<QObject>();
    hub->write([](MemoryStore& store) { store.setMetaValue("written", "yes"); }, receiver.get(),
               [&](const vesperline::StoreOutcome<void>&) { called = true; });
    hub->write([](MemoryStore&) { throw std::runtime_error("no room"); });
    receiver.reset();
    release.count_down();
    EXPECT_EQ(hub->sync([](MemoryStore& store) { return store.metaValue("written"); }), "yes");
    settle();
    EXPECT_FALSE(called);
    EXPECT_EQ(log.count("storage: Write failed: no room"), 1);
}

TEST_F(StoreHubTest, HubReleasedBeforeTheMainThreadRunsTheReportCallsNothing) {
    bool called = false;
    {
        StoreHub hub(data_.path(), clock_);
        hub.setOnDamage([&] { called = true; });
        EXPECT_THROW(hub.sync([](MemoryStore&) { throw SQLiteError(11, "malformed"); }), SQLiteError);
    }
    settle();
    EXPECT_FALSE(called);
}

TEST_F(StoreHubTest, DamagedFileFailsTheStartWithoutAReportAndQuarantineLetsANewHubOpen) {
    testsupport::LogCapture log;
    fs::create_directories(data_.path());
    writeFile(dataFile("ostrel.sqlite"), std::string(8192, 'x'));
    try {
        StoreHub hub(data_.path(), clock_);
        ADD_FAILURE() << "a garbage file opened";
    } catch (const SQLiteError& error) {
        EXPECT_EQ(error.primaryCode(), 26);
    }
    EXPECT_EQ(log.count("storage:"), 0);

    StoreHub::quarantineDamagedFile(data_.path(), clock_.now());
    auto hub = makeHub();
    hub->sync([](MemoryStore& store) { store.setMetaValue("new", "start"); });
    EXPECT_EQ(readFile(dataFile("ostrel-damaged-20250301-140509.sqlite")), std::string(8192, 'x'));
}
