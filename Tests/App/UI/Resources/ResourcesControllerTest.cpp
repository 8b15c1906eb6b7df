#include "UI/Resources/ResourcesController.h"

#include "ResourcesFixture.h"
#include "Runtime/MainThread.h"
#include "Support/LogCapture.h"
#include "Support/QtPrinters.h"

#include <QSignalSpy>
#include <QTest>

#include <semaphore>

namespace vesperline {

void PrintTo(const ResourcesController::EnergyBar& bar, std::ostream* out) {
    *out << "{" << bar.label.toStdString() << ", " << bar.wattHours << " Wh, hue " << bar.hue << "}";
}

namespace {

class ResourcesControllerTest : public ResourcesFixture {
  protected:
    std::vector<std::string> weekDays() const {
        std::vector<std::string> days;
        for (const ostrel::DayStats& day : controller->week()) {
            days.push_back(day.day);
        }
        return days;
    }
    // Waits for the answers of the reads posted so far to reach the main thread.
    void settleReads() {
        hub.readSync([](ostrel::MemoryStore&) { return 0; });
        bool drained = false;
        MainThread::post([&] { drained = true; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return drained; }));
    }

    std::unique_ptr<ResourcesController> controller = makeController();
};

TEST_F(ResourcesControllerTest, ShowingRefreshesTheModelAndLoadsTheDaysOfTheLastWeekThatHaveStatistics) {
    addStats("2025-02-22", 3600); // seven days before: not in the week
    addStats("2025-02-23", 7200);
    addStats("2025-02-26", 1800);
    addStats("2025-03-01", 900);
    addStats("2025-03-02", 100); // a row from after today (a clock set back) is not today's
    QSignalSpy weekChanges(controller.get(), &ResourcesController::weekChanged);
    controller->setShown(true);
    EXPECT_EQ(refreshes, 1);
    ASSERT_TRUE(weekChanges.wait());
    EXPECT_EQ(weekDays(), (std::vector<std::string>{"2025-02-23", "2025-02-26", "2025-03-01"}));
    EXPECT_EQ(controller->energyBars(), (std::vector<ResourcesController::EnergyBar>{
                                            {"23 Sun", 2, 0}, {"26 Wed", 0.5, 1}, {"1 Sat", 0.25, 2}}));
}

TEST_F(ResourcesControllerTest, SevenDaysTakeTheSixHuesAndThenTheFirstAgain) {
    for (int day = 23; day <= 28; ++day) {
        addStats("2025-02-" + std::to_string(day), 3600);
    }
    addStats("2025-03-01", 3600);
    controller->setShown(true);
    settleReads();
    std::vector<int> hues;
    for (const ResourcesController::EnergyBar& bar : controller->energyBars()) {
        hues.push_back(bar.hue);
    }
    EXPECT_EQ(hues, (std::vector<int>{0, 1, 2, 3, 4, 5, 0}));
}

TEST_F(ResourcesControllerTest, AWeekThatArrivesAfterTheScreenWasHiddenIsDroppedAndTheNextShowingLoadsAgain) {
    addStats("2025-03-01", 900);
    // Hold the read queue, so the load is still under way when the screen goes.
    std::binary_semaphore gate(0);
    auto held = hub.readAsync([&](ostrel::MemoryStore&) {
        gate.acquire();
        return 0;
    });
    QSignalSpy weekChanges(controller.get(), &ResourcesController::weekChanged);
    controller->setShown(true);
    controller->setShown(false);
    gate.release();
    settleReads();
    EXPECT_EQ(weekChanges.count(), 0);
    EXPECT_TRUE(controller->week().empty());

    controller->setShown(true);
    ASSERT_TRUE(weekChanges.wait());
    EXPECT_EQ(weekDays(), std::vector<std::string>{"2025-03-01"});
    EXPECT_EQ(refreshes, 2);
}

TEST_F(ResourcesControllerTest, AFailedReadEmptiesTheWeek) {
    addStats("2025-03-01", 900);
    controller->setShown(true);
    settleReads();
    ASSERT_EQ(controller->week().size(), 1u);
    controller->setShown(false);

    hub.sync([](ostrel::MemoryStore& store) { store.db().execute("DROP TABLE daily_stats"); });
    testsupport::LogCapture log;
    QSignalSpy weekChanges(controller.get(), &ResourcesController::weekChanged);
    controller->setShown(true);
    ASSERT_TRUE(weekChanges.wait());
    EXPECT_TRUE(controller->week().empty());
    EXPECT_TRUE(controller->energyBars().empty());
    EXPECT_EQ(log.count("Week statistics read failed"), 1);
}

TEST_F(ResourcesControllerTest, TheModelsFiguresChangeTheScreenOnlyWhenTheyDiffer) {
    QSignalSpy changes(controller.get(), &ResourcesController::changed);
    ostrel::DayStats today;
    today.day = "2025-03-01";
    today.energyJoules = 36;
    today.cpuSeconds = 6;
    controller->setToday(today);
    controller->setToday(today);
    ostrel::StorageBreakdown storage;
    storage.databaseBytes = 4096;
    controller->setStorage(storage);
    controller->setStorage(storage);
    controller->setPendingOCR(37);
    controller->setPendingOCR(37);
    ostrel::PowerSnapshot onBattery;
    onBattery.onBattery = true;
    controller->setPowerSnapshot(onBattery);
    controller->setPowerSnapshot(onBattery);
    ostrel::CapturePolicy deferred;
    deferred.ocrNow = false;
    controller->setPolicy(deferred);
    controller->setPolicy(deferred);
    controller->setMaintenanceRunning(true);
    controller->setMaintenanceRunning(true);
    EXPECT_EQ(changes.count(), 6);

    // The disk limit follows the settings.
    settings.setDiskCapGB(20);
    EXPECT_EQ(changes.count(), 7);
    EXPECT_EQ(controller->statCards()[2].detail, "Limit 20 GB");

    // The battery comes from the resource monitor; the time of day from the clock.
    clock.setNow(saturdayMidnight + 30);
    const auto cards = controller->statCards();
    EXPECT_EQ(cards[0].value, "~0%");
    EXPECT_EQ(cards[1].value, "10%");
    EXPECT_EQ(controller->summary(),
              "Today Vesperline used about 0% of your battery. Your memory takes 4 kB on disk.");
    EXPECT_EQ(controller->energySavingLines().first(),
              "On battery: recording less often, heavy work waits for power.");
    EXPECT_EQ(controller->ocrBacklog(), "37 images waiting for text reading (runs on power)");
    EXPECT_EQ(controller->storageUsage(), "4 kB of 20 GB limit");
}

TEST_F(ResourcesControllerTest, TheFootnoteNamesHowThisComputerMeasuresEnergy) {
    EXPECT_TRUE(controller->footnote().startsWith("Estimated from the Vesperline process's processor time"));
    processResources.method = platform::EnergyMethod::measured;
    EXPECT_TRUE(controller->footnote().startsWith("Measured from the processor's energy counter"));
}

TEST_F(ResourcesControllerTest, TidyingUpStartsAPassOnlyWhileNoneRuns) {
    controller->tidyUp();
    EXPECT_EQ(maintenanceRuns, 1);
    controller->setMaintenanceRunning(true);
    controller->tidyUp();
    EXPECT_EQ(maintenanceRuns, 1);
    controller->setMaintenanceRunning(false);
    controller->tidyUp();
    EXPECT_EQ(maintenanceRuns, 2);
}

TEST_F(ResourcesControllerTest, ShowingTheDataFolderAsksTheFileManagerForTheHubsFolder) {
    controller->showDataFolder();
    EXPECT_EQ(viewer.shown, std::vector{hub.dataDirectory()});
}

} // namespace
} // namespace vesperline
