// The app model's figures, finds, permissions and navigation.
#include "AppModelFixture.h"

#include "Support/Moment.h"

#include <QSignalSpy>

namespace vesperline::testing {
namespace {

using Section = AppModel::Section;

class AppModelStatisticsTest : public AppModelFixture {};

TEST_F(AppModelStatisticsTest, RefreshReadsTodayTheStorageAndTheBacklog) {
    launch();
    model->hub().sync([&](ostrel::MemoryStore& store) {
        store.insertFrame(testsupport::Moment(friday - 60).app("org.example.editor").lines({"one"}));
        store.insertFrame(testsupport::Moment(friday - 30).ocr(ostrel::OCRState::queued));
        store.addStats(ostrel::MemoryStore::dayKey(friday), ostrel::StatsDelta{.framesSaved = 2});
        store.addStats(ostrel::MemoryStore::dayKey(friday - 86400), ostrel::StatsDelta{.framesSaved = 9});
    });
    model->refreshStats();
    ASSERT_TRUE(eventually([&] { return model->storage().frameCount == 2; }));
    ASSERT_TRUE(model->today().has_value());
    EXPECT_EQ(model->today()->framesSaved, 2) << "today's row only";
    EXPECT_EQ(model->pendingOCR(), 1);
    // The figures notify on every refresh, also when nothing changed.
    QSignalSpy storage(model.get(), &AppModel::storageChanged);
    QSignalSpy today(model.get(), &AppModel::todayChanged);
    model->refreshStats();
    EXPECT_TRUE(eventually([&] { return storage.count() > 0 && today.count() > 0; }));
}

TEST_F(AppModelStatisticsTest, FailedReadsLeaveNoTodayKeepTheStorageAndCountNoBacklog) {
    launch();
    model->hub().sync([&](ostrel::MemoryStore& store) {
        store.insertFrame(testsupport::Moment(friday - 30).ocr(ostrel::OCRState::queued));
        store.addStats(ostrel::MemoryStore::dayKey(friday), ostrel::StatsDelta{.framesSaved = 1});
    });
    model->refreshStats();
    ASSERT_TRUE(eventually([&] { return model->today().has_value() && model->pendingOCR() == 1; }));
    const ostrel::StorageBreakdown before = model->storage();
    ASSERT_EQ(before.frameCount, 1);
    model->hub().sync([](ostrel::MemoryStore& store) {
        store.db().execute("ALTER TABLE daily_stats RENAME TO daily_stats_gone");
        store.db().execute("ALTER TABLE frames RENAME TO frames_gone");
    });
    model->refreshStats();
    ASSERT_TRUE(eventually([&] { return !model->today().has_value() && model->pendingOCR() == 0; }));
    EXPECT_EQ(model->storage(), before);
    EXPECT_FALSE(model->handlingDamage()) << "a missing table is no damaged file";
}

TEST_F(AppModelStatisticsTest, TheStatisticsTimerRefreshesEveryMinute) {
    launch();
    model->hub().sync([&](ostrel::MemoryStore& store) {
        store.addStats(ostrel::MemoryStore::dayKey(friday), ostrel::StatsDelta{.framesSaved = 3});
    });
    delays.advance(AppModel::statsInterval - 1);
    drain();
    EXPECT_FALSE(model->today().has_value());
    delays.advance(1);
    ASSERT_TRUE(eventually([&] { return model->today().has_value(); }));
    model->hub().sync([&](ostrel::MemoryStore& store) {
        store.addStats(ostrel::MemoryStore::dayKey(friday), ostrel::StatsDelta{.framesSaved = 1});
    });
    delays.advance(AppModel::statsInterval);
    EXPECT_TRUE(eventually([&] { return model->today()->framesSaved == 4; }));
}

TEST_F(AppModelStatisticsTest, FindsCountOncePerTwoMinutesAreStoredAndRollWithTheMonth) {
    clock.setNow(1740690000); // Friday 28 February 2025, 00:00 in Istanbul
    launch();
    QSignalSpy finds(model.get(), &AppModel::findsChanged);
    model->recordFind();
    clock.advance(60);
    model->recordFind();
    EXPECT_EQ(model->finds().total, 1);
    clock.advance(70);
    model->recordFind();
    EXPECT_EQ(model->finds().total, 2);
    EXPECT_EQ(model->finds().thisMonth, 2);
    EXPECT_EQ(finds.count(), 2) << "a find that does not count changes nothing";
    EXPECT_EQ(meta("finds_total"), "2");

    clock.advance(86400);
    model->refreshStats();
    EXPECT_EQ(model->finds().month, "2025-03");
    EXPECT_EQ(model->finds().thisMonth, 0);
    EXPECT_EQ(model->finds().total, 2);

    restart();
    EXPECT_TRUE(eventually([&] { return model->finds().total == 2; })) << "read back at start";
}

TEST_F(AppModelStatisticsTest, PermissionsAndTheModelsAvailabilityAreReadAgainOnRequest) {
    languageModel.setUnavailability(platform::LanguageModel::Unavailability::notRunning);
    launch();
    QSignalSpy accessibilityChanges(model.get(), &AppModel::accessibilityPermissionChanged);
    QSignalSpy screenChanges(model.get(), &AppModel::screenPermissionChanged);
    EXPECT_TRUE(model->accessibilityPermission());
    accessibility.trusted = false;
    model->refreshPermissions();
    model->refreshPermissions();
    EXPECT_FALSE(model->accessibilityPermission());
    EXPECT_EQ(accessibilityChanges.count(), 1);
    EXPECT_EQ(screenChanges.count(), 0);

    ASSERT_TRUE(eventually([&] {
        return model->aiAvailability() == AIAvailability::unavailable(*model->ai().availabilityMessage());
    }));
    EXPECT_FALSE(model->aiAvailability().isAvailable());
    languageModel.setUnavailability(std::nullopt);
    model->refreshPermissions();
    EXPECT_TRUE(eventually([&] { return model->aiAvailability().isAvailable(); }));
}

TEST_F(AppModelStatisticsTest, NavigationSetsWhatTheMainWindowShowsAndOpensIt) {
    launch();
    QSignalSpy sections(model.get(), &AppModel::sectionChanged);
    model->openTimeline(42, friday - 100);
    const TimelineRequest first = *model->timelineRequest();
    model->openTimeline(42, friday - 100);
    EXPECT_EQ(model->section(), Section::timeline);
    EXPECT_EQ(sections.count(), 1);
    EXPECT_EQ(model->timelineRequest()->frameID, 42);
    EXPECT_EQ(model->timelineRequest()->date, friday - 100);
    EXPECT_NE(model->timelineRequest()->id, first.id) << "asking again is a new request";
    EXPECT_NE(*model->timelineRequest(), first);

    model->openTimelineAtDate(friday - 86400);
    EXPECT_EQ(model->timelineRequest()->frameID, std::nullopt);
    EXPECT_EQ(model->timelineRequest()->date, friday - 86400);
    model->setTimelineRequest(std::nullopt);

    model->openSearch("harbour");
    EXPECT_EQ(model->searchSeed(), "harbour");
    EXPECT_EQ(model->section(), Section::search);
    model->openSection(Section::journal);
    EXPECT_EQ(model->section(), Section::journal);
    EXPECT_EQ(windows.opens, 5);

    model->setWindows(nullptr);
    model->openSection(Section::ask);
    EXPECT_EQ(model->section(), Section::ask) << "without a window manager the state still changes";
}

TEST(AppModelSectionTest, SectionsHaveRawValuesAndTitles) {
    const std::vector<std::tuple<Section, const char*, const char*>> table{
        {Section::search, "search", "Search"},          {Section::timeline, "timeline", "Timeline"},
        {Section::journal, "journal", "Journal"},       {Section::ask, "ask", "Ask"},
        {Section::resources, "resources", "Resources"},
    };
    std::vector<Section> order;
    for (const auto& [section, raw, title] : table) {
        EXPECT_EQ(AppModel::rawValue(section), raw);
        EXPECT_EQ(AppModel::sectionFromRaw(raw), section);
        EXPECT_EQ(AppModel::title(section), title);
        order.push_back(section);
    }
    EXPECT_EQ(AppModel::allSections(), order);
    EXPECT_EQ(AppModel::sectionFromRaw("settings"), std::nullopt);
    EXPECT_EQ(AppModel::sectionFromRaw("Ask"), std::nullopt);
}

} // namespace
} // namespace vesperline::testing
