// Forgetting, deleting and erasing through the app model, and the recovery from a database found
// damaged while the app runs.
#include "AppModelFixture.h"

#include "Storage/FindCounter.h"
#include "Storage/SQLiteError.h"
#include "Support/LogCapture.h"
#include "Support/Moment.h"

#include <QDateTime>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace vesperline::testing {
namespace {

namespace fs = std::filesystem;

class AppModelDeletionTest : public AppModelFixture {
  protected:
    std::int64_t frameCount() {
        return model->hub().readSync([](ostrel::MemoryStore& store) {
            return static_cast<std::int64_t>(store.frames(0, 1e12, 1000, false).size());
        });
    }
    std::vector<std::int64_t> storeMoments(const std::vector<ostrel::Time>& times) {
        return model->hub().sync([&](ostrel::MemoryStore& store) {
            std::vector<std::int64_t> ids;
            for (ostrel::Time at : times) {
                ids.push_back(
                    store.insertFrame(testsupport::Moment(at).app("org.example.editor").lines({"x"})));
            }
            return ids;
        });
    }
    std::vector<std::string> quarantined() const {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(dataFolder.path())) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("ostrel-damaged-") && name.ends_with(".sqlite")) {
                names.push_back(name);
            }
        }
        return names;
    }
    // Runs `operation` with a completion and waits for it.
    template <typename Operation> void await(Operation operation) {
        bool done = false;
        operation([&] { done = true; });
        ASSERT_TRUE(eventually([&] { return done; }));
    }
};

TEST_F(AppModelDeletionTest, ForgettingTheLastMinutesTakesWhatFallsInThemAndNothingOlder) {
    launch();
    const ostrel::Time now = clock.now();
    const auto ids = storeMoments({now - 6 * 60, now - 4 * 60, now});
    await([&](auto done) { model->deleteRecent(5, done); });
    EXPECT_EQ(frameCount(), 1);
    EXPECT_TRUE(model->hub().readSync([&](ostrel::MemoryStore& store) { return store.frame(ids[0]); }));
}

TEST_F(AppModelDeletionTest, TwoOverlappingDeletionsKeepTheHoldUntilBothHaveEnded) {
    completeOnboarding();
    launch();
    recordTheEditor();
    ASSERT_TRUE(saveAMoment(40));
    const std::int64_t first = model->lastSaved()->id;
    clock.advance(30);
    ASSERT_TRUE(saveAMoment(120));
    const std::int64_t second = model->lastSaved()->id;

    bool firstDone = false;
    bool secondDone = false;
    bool heldAtFirstEnd = false;
    model->deleteFrame({first}, [&] {
        firstDone = true;
        heldAtFirstEnd = model->tracker().suspended && !model->tracker().current();
        // A new picture while the second deletion still waits: nothing may be kept of it.
        capture.runningStreams().at(0)->deliver({platform::DisplaySample::Status::complete,
                                                 std::make_shared<ostrel::BGRAImage>(picture(200)),
                                                 std::vector<ostrel::Rect>{{0, 0, 90, 80}}});
        for (int i = 0; i < 3; ++i) {
            clock.advance(1);
            timers.fire(1.0);
        }
    });
    model->deleteFrame({second}, [&] {
        EXPECT_TRUE(firstDone) << "in the order asked";
        secondDone = true;
    });
    EXPECT_TRUE(model->operationsPending());
    ASSERT_TRUE(eventually([&] { return secondDone; }));
    EXPECT_TRUE(heldAtFirstEnd);
    EXPECT_EQ(frameCount(), 0) << "nothing was recorded while the second deletion ran";
    EXPECT_FALSE(model->operationsPending());
    EXPECT_FALSE(model->tracker().suspended);
    EXPECT_TRUE(model->tracker().current()) << "tracking goes on with a new span";
    EXPECT_FALSE(model->lastSaved());
    ASSERT_TRUE(saveAMoment(80)) << "capture goes on once both have ended";
}

TEST_F(AppModelDeletionTest, ADisabledTrackerOpensNoSpanAndAnEmptyRangeStillEndsTheHold) {
    launch();
    ASSERT_FALSE(model->tracker().isEnabled());
    await([&](auto done) { model->deleteRange(clock.now() - 60, clock.now(), done); });
    EXPECT_FALSE(model->tracker().current());
    EXPECT_FALSE(model->tracker().suspended);
    EXPECT_FALSE(model->operationsPending());
}

TEST_F(AppModelDeletionTest, AFailedDeletionIsLoggedAndTheOperationStillEnds) {
    launch();
    storeMoments({clock.now() - 10});
    testsupport::LogCapture log;
    // A damaged-looking write error would start the recovery; a plain one only fails.
    model->hub().sync([](ostrel::MemoryStore& store) { store.db().execute("DROP TABLE frame_text"); });
    await([&](auto done) { model->deleteRange(0, clock.now(), done); });
    EXPECT_TRUE(log.count("Deleting a range of moments failed") > 0) << log.lines().join("\n").toStdString();
    EXPECT_FALSE(model->tracker().suspended);
}

TEST_F(AppModelDeletionTest, ErasingStartsAnEmptyMemoryWithTheSettingsAndTheFindCount) {
    launch();
    storeMoments({clock.now() - 10, clock.now()});
    model->recordFind();
    ASSERT_TRUE(eventually([&] { return model->finds().total == 1; }));
    model->settings().setMcpEnabled(true);
    ASSERT_TRUE(eventually([&] { return meta("mcp_enabled") == "1"; }));

    await([&](auto done) { model->eraseAll(done); });
    EXPECT_EQ(frameCount(), 0);
    EXPECT_EQ(meta("mcp_enabled"), "1") << "the new database has the switch";
    EXPECT_TRUE(eventually([&] {
        return model->hub().sync([&](ostrel::MemoryStore& store) {
            return ostrel::FindCounter::load(store, clock.now()).total;
        }) == 1;
    })) << "the find count survives";
    EXPECT_FALSE(model->tracker().suspended);
}

TEST_F(AppModelDeletionTest, DamageWhileRunningAsksOnceAndStartsANewMemory) {
    launch();
    storeMoments({clock.now()});
    model->recordFind();
    ASSERT_TRUE(eventually([&] { return model->finds().total == 1; }));
    int alerts = 0;
    model->presentDatabaseAlert = [&](bool damaged, const QString& message) {
        ++alerts;
        EXPECT_TRUE(damaged);
        EXPECT_TRUE(message.isEmpty());
        return true;
    };
    int quits = 0;
    model->terminate = [&] { ++quits; };
    QSignalSpy recoveries(model.get(), &AppModel::damagedDatabaseRecoveriesChanged);

    // Damage in rows of the memory: it cannot be rebuilt, so the user is asked.
    damage("summaries");
    const auto failure =
        std::make_exception_ptr(ostrel::SQLiteError(267, "database disk image is malformed"));
    model->hub().reportIfDamaged(failure);
    ASSERT_TRUE(eventually([&] { return model->handlingDamage(); }));
    model->hub().reportIfDamaged(failure);
    ASSERT_TRUE(eventually([&] { return model->damagedDatabaseRecoveries() == 1; }));
    drain();
    EXPECT_EQ(alerts, 1) << "two reports, one alert";
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(recoveries.count(), 1);
    EXPECT_FALSE(model->handlingDamage());
    EXPECT_EQ(quarantined().size(), 1u) << "the damaged file is set aside";
    EXPECT_EQ(frameCount(), 0);
    EXPECT_EQ(meta("mcp_enabled"), "0");
    EXPECT_TRUE(eventually([&] {
        return model->hub().sync([&](ostrel::MemoryStore& store) {
            return ostrel::FindCounter::load(store, clock.now()).total;
        }) == 1;
    }));
    EXPECT_FALSE(model->tracker().suspended);

    // The damage mark was cleared: a later damage is handled again.
    clock.advance(1);
    damage("summaries");
    model->hub().reportIfDamaged(failure);
    ASSERT_TRUE(eventually([&] { return model->damagedDatabaseRecoveries() == 2; }));
    EXPECT_EQ(alerts, 2);
}

TEST_F(AppModelDeletionTest, QuittingFromTheDamageAlertLeavesTheDatabaseAsItWas) {
    launch();
    storeMoments({clock.now()});
    model->presentDatabaseAlert = [](bool, const QString&) { return false; };
    int quits = 0;
    model->terminate = [&] { ++quits; };
    damage("summaries");
    model->hub().reportIfDamaged(std::make_exception_ptr(ostrel::SQLiteError(26, "file is not a database")));
    ASSERT_TRUE(eventually([&] { return quits == 1; }));
    EXPECT_TRUE(quarantined().empty());
    EXPECT_FALSE(fs::exists(dataFolder.path() / "ostrel-rebuilding.sqlite"))
        << "the failed rebuild's file goes";
    EXPECT_EQ(frameCount(), 1);
    EXPECT_EQ(model->damagedDatabaseRecoveries(), 0);
}

TEST_F(AppModelDeletionTest, AFailedReplacementIsLoggedAndEndsTheApplication) {
    launch();
    model->presentDatabaseAlert = [](bool, const QString&) { return true; };
    int quits = 0;
    model->terminate = [&] { ++quits; };
    testsupport::LogCapture log;
    // A quarantined copy of this very second is in the way: it is never overwritten.
    const QString stamp = QDateTime::fromSecsSinceEpoch(static_cast<qint64>(clock.now()))
                              .toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const fs::path earlier = dataFolder.path() / ("ostrel-damaged-" + stamp.toStdString() + ".sqlite");
    std::ofstream(earlier) << "an earlier copy";
    model->hub().reportIfDamaged(std::make_exception_ptr(ostrel::SQLiteError(11, "malformed")));
    ASSERT_TRUE(eventually([&] { return quits == 1; }));
    EXPECT_TRUE(log.count("Damaged database could not be replaced") > 0)
        << log.lines().join("\n").toStdString();
    std::ifstream kept(earlier);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "an earlier copy");
}

// Damage the moments and their text still read past, in an index of the text or of the rows, found
// by a search or by the check at idle: the memory is rebuilt without a question, and the user told.
TEST_F(AppModelDeletionTest, DamageOutsideTheRowsIsRebuiltWithoutAskingAndTheUserIsTold) {
    launch();
    const std::vector<std::int64_t> ids = model->hub().sync([&](ostrel::MemoryStore& store) {
        return std::vector{
            store.insertFrame(testsupport::Moment(clock.now() - 60).title("Harbour").lines({"tides"})),
            store.insertFrame(testsupport::Moment(clock.now() - 30).lines({"ferry tides"}))};
    });
    int alerts = 0;
    model->presentDatabaseAlert = [&](bool, const QString&) {
        ++alerts;
        return false;
    };
    int notices = 0;
    model->tellDatabaseRebuilt = [&] { ++notices; };
    const auto search = [&] {
        return model->hub().readAsync([now = clock.now()](ostrel::MemoryStore& store) {
            std::vector<std::int64_t> found;
            for (const ostrel::SearchHit& hit :
                 store.search(ostrel::SearchQuery("tides", std::nullopt, std::nullopt, {}, 10,
                                                  ostrel::SearchQuery::Sort::newest),
                              now)) {
                found.push_back(hit.frame.id);
            }
            return found;
        });
    };

    // One damaged page of the full-text index, met by a search.
    damage("frame_fts_data");
    QFuture<std::vector<std::int64_t>> failed = search();
    ASSERT_THROW(failed.waitForFinished(), ostrel::SQLiteError);
    ASSERT_TRUE(eventually([&] { return notices == 1 && !model->handlingDamage(); }));
    EXPECT_EQ(quarantined().size(), 1u) << "the damaged file stays in the data folder";
    QFuture<std::vector<std::int64_t>> again = search();
    EXPECT_EQ(again.result(), (std::vector{ids[1], ids[0]})) << "the new index finds them";
    EXPECT_EQ(frameCount(), 2);
    EXPECT_EQ(meta("mcp_enabled"), "0");

    // A damaged index of the moments that no read goes through, found by the check once the user
    // leaves keyboard and pointer alone.
    damage("idx_segments_end");
    clock.advance(1);
    userIdle.seconds = 5;
    delays.advance(AppModel::databaseCheckRetry);
    drain();
    EXPECT_EQ(notices, 1) << "no check while the user works";
    userIdle.seconds = AppModel::databaseCheckIdle;
    delays.advance(AppModel::databaseCheckRetry);
    ASSERT_TRUE(eventually([&] { return notices == 2 && !model->handlingDamage(); }));
    EXPECT_EQ(quarantined().size(), 2u);
    EXPECT_EQ(frameCount(), 2);
    EXPECT_EQ(alerts, 0) << "nothing was asked";
    EXPECT_EQ(model->damagedDatabaseRecoveries(), 0) << "no new memory was started";
    EXPECT_TRUE(model->hub().readSync([](ostrel::MemoryStore& store) {
        return store.db().scalarText("PRAGMA quick_check") == std::optional<std::string>("ok");
    }));
}

TEST_F(AppModelDeletionTest, MaintenanceRunsOnePassAtATime) {
    launch();
    QSignalSpy running(model.get(), &AppModel::maintenanceRunningChanged);
    model->runMaintenance();
    EXPECT_TRUE(model->maintenanceRunning());
    model->runMaintenance();
    ASSERT_TRUE(eventually([&] { return !model->maintenanceRunning(); }));
    EXPECT_EQ(running.count(), 2) << "the second request found one running and did nothing";
}

} // namespace
} // namespace vesperline::testing
