#include "UI/Resources/ResourcesScreen.h"

#include "ResourcesFixture.h"
#include "Support/QtPrinters.h"
#include "Support/ViewPictures.h"
#include "UI/Shared/ActivityIndicator.h"
#include "UI/Theme/Theme.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChartView>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedBarSeries>
#include <QTest>

namespace vesperline {
namespace {

constexpr std::int64_t gibibyte = 1LL << 30;

// A resources screen over a store of its own, with the model's figures set by the test.
class ResourcesScreenTest : public ResourcesFixture {
  protected:
    std::unique_ptr<ResourcesScreen> makeScreen() {
        return std::make_unique<ResourcesScreen>(makeController().release());
    }
    // A day of use on a laptop: figures of today, a memory of a few weeks, a backlog.
    static void fill(ResourcesController& controller, bool onBattery) {
        ostrel::DayStats today;
        today.day = "2025-03-01";
        today.framesSaved = 1284;
        today.framesSkipped = 3571;
        today.ocrRuns = 112;
        today.cpuSeconds = 412;
        today.energyJoules = 4300;
        controller.setToday(today);
        ostrel::StorageBreakdown storage;
        storage.segmentBytes = 2 * gibibyte;
        storage.databaseBytes = gibibyte / 3;
        storage.frameCount = 48210;
        storage.textOnlyCount = 1302;
        storage.oldest = saturdayAfternoon - 41 * 86400;
        controller.setStorage(storage);
        ostrel::PowerSnapshot power;
        power.onBattery = onBattery;
        power.batteryLevel = onBattery ? std::optional(0.42) : std::optional(1.0);
        controller.setPowerSnapshot(power);
        ostrel::CapturePolicy policy;
        policy.ocrNow = !onBattery;
        controller.setPolicy(policy);
        controller.setPendingOCR(onBattery ? 37 : 0);
    }
    void addWeek() {
        const double joules[] = {5200, 0, 3100, 8800, 4300};
        const char* days[] = {"2025-02-24", "2025-02-25", "2025-02-27", "2025-02-28", "2025-03-01"};
        for (std::size_t i = 0; i < std::size(days); ++i) {
            addStats(days[i], joules[i], 1); // a day with no energy still has a row
        }
    }
    static QString text(const QWidget& screen, const char* name) {
        const auto* label = screen.findChild<QLabel*>(name);
        return label ? label->text() : QStringLiteral("<missing %1>").arg(name);
    }
    static bool waitForWeek(ResourcesScreen& screen) {
        QSignalSpy weekChanges(&screen.controller(), &ResourcesController::weekChanged);
        return weekChanges.wait();
    }
};

TEST_F(ResourcesScreenTest, ShowsTheFiguresAndFollowsTheModel) {
    auto screen = makeScreen();
    screen->resize(1000, 900);
    fill(screen->controller(), true);
    EXPECT_EQ(text(*screen, "batteryValue"), "~2.4%"); // 4,300 J of 50 Wh
    EXPECT_EQ(text(*screen, "batteryDetail"), "1.19 Wh today");
    EXPECT_EQ(text(*screen, "momentsValue"), "1284");
    EXPECT_EQ(text(*screen, "diskDetail"), "Limit 10 GB");
    EXPECT_EQ(text(*screen, "summary"),
              "Today Vesperline used about 2.4% of your battery. Your memory takes 2.51 GB on disk.");
    EXPECT_EQ(text(*screen, "storageUsage"), "2.51 GB of 10 GB limit");
    EXPECT_EQ(text(*screen, "videoSize"), "2.15 GB");
    EXPECT_EQ(text(*screen, "energyLine0"),
              "On battery (42%): recording less often, heavy work waits for power.");
    EXPECT_EQ(text(*screen, "ocrBacklog"), "37 images waiting for text reading (runs on power)");

    screen->show();
    EXPECT_TRUE(screen->findChild<QLabel*>("ocrBacklog")->isVisible());
    EXPECT_TRUE(screen->findChild<QLabel*>("oldestMemory")->isVisible());
    EXPECT_FALSE(screen->findChild<QWidget*>("energyLine4")->isVisible())
        << "four lines while images are saved";

    // The model catches up: on power, no backlog, an empty memory.
    ostrel::PowerSnapshot mains;
    screen->controller().setPowerSnapshot(mains);
    screen->controller().setPendingOCR(0);
    screen->controller().setStorage({});
    EXPECT_EQ(text(*screen, "energyLine0"), "On power: full quality, maintenance allowed.");
    EXPECT_FALSE(screen->findChild<QLabel*>("ocrBacklog")->isVisible());
    EXPECT_FALSE(screen->findChild<QLabel*>("oldestMemory")->isVisible());
    EXPECT_EQ(text(*screen, "diskValue"), "0 kB");
}

TEST_F(ResourcesScreenTest, TheStatCardsSitSideBySideWhenWideAndWrapWhenNarrow) {
    auto screen = makeScreen();
    const auto cardTops = [&] {
        std::vector<int> tops;
        for (const char* name : {"batteryCard", "processorCard", "diskCard", "momentsCard"}) {
            tops.push_back(screen->findChild<QWidget*>(name)->geometry().top());
        }
        return tops;
    };
    screen->resize(1040, 900);
    screen->show();
    QApplication::processEvents();
    std::vector<int> tops = cardTops();
    EXPECT_TRUE(std::all_of(tops.begin(), tops.end(), [&](int top) { return top == tops[0]; }));
    EXPECT_GE(screen->findChild<QWidget*>("batteryCard")->width(), 220);

    screen->resize(560, 900); // two columns of at least 220 fit in the page
    QApplication::processEvents();
    tops = cardTops();
    EXPECT_EQ(tops[0], tops[1]);
    EXPECT_LT(tops[1], tops[2]);
    EXPECT_EQ(tops[2], tops[3]);
}

TEST_F(ResourcesScreenTest, TheChartDrawsOneBarPerDayOrSaysThereIsNoData) {
    auto screen = makeScreen();
    screen->resize(900, 900);
    screen->show();
    ASSERT_TRUE(waitForWeek(*screen));
    EXPECT_TRUE(screen->findChild<QLabel*>("noData")->isVisible());
    EXPECT_FALSE(screen->findChild<QChartView*>("energyChart")->isVisible());
    screen->hide();

    addWeek();
    screen->show();
    ASSERT_TRUE(waitForWeek(*screen));
    EXPECT_FALSE(screen->findChild<QLabel*>("noData")->isVisible());
    QChartView* view = screen->findChild<QChartView*>("energyChart");
    ASSERT_TRUE(view->isVisible());
    EXPECT_EQ(view->height(), 160);

    auto* days = qobject_cast<QBarCategoryAxis*>(view->chart()->axes(Qt::Horizontal).value(0));
    ASSERT_NE(days, nullptr);
    EXPECT_EQ(days->categories(), (QStringList{"24 Mon", "25 Tue", "27 Thu", "28 Fri", "1 Sat"}));
    auto* series = qobject_cast<QStackedBarSeries*>(view->chart()->series().value(0));
    ASSERT_NE(series, nullptr);
    ASSERT_EQ(series->count(), 5);
    // Each day's bar stands alone at its own place, in the hue of its place in the week.
    EXPECT_DOUBLE_EQ(series->barSets()[3]->at(3), 8800.0 / 3600);
    EXPECT_DOUBLE_EQ(series->barSets()[3]->at(2), 0);
    EXPECT_EQ(series->barSets()[1]->brush().gradient()->stops().last().second, Theme::peach.pastel);
}

TEST_F(ResourcesScreenTest, TidyUpIsDisabledWithASpinnerWhileMaintenanceRuns) {
    auto screen = makeScreen();
    screen->resize(900, 900);
    screen->show();
    auto* tidyUp = screen->findChild<QPushButton*>("tidyUp");
    auto* indicator = screen->findChild<ActivityIndicator*>("maintenanceIndicator");
    EXPECT_TRUE(tidyUp->isEnabled());
    EXPECT_FALSE(indicator->isVisible());
    QTest::mouseClick(tidyUp, Qt::LeftButton);
    EXPECT_EQ(maintenanceRuns, 1);

    // The model reports the pass it started.
    screen->controller().setMaintenanceRunning(true);
    EXPECT_FALSE(tidyUp->isEnabled());
    EXPECT_TRUE(indicator->isVisible());
    EXPECT_TRUE(indicator->spinning());
    QTest::mouseClick(tidyUp, Qt::LeftButton);
    EXPECT_EQ(maintenanceRuns, 1);

    screen->controller().setMaintenanceRunning(false);
    EXPECT_TRUE(tidyUp->isEnabled());
    EXPECT_FALSE(indicator->isVisible());
}

TEST_F(ResourcesScreenTest, ShowInFileManagerShowsTheDataFolder) {
    auto screen = makeScreen();
    screen->show();
    auto* button = screen->findChild<QPushButton*>("showDataFolder");
    EXPECT_EQ(button->text(), "Show in File Manager");
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(viewer.shown, std::vector{hub.dataDirectory()});
}

TEST_F(ResourcesScreenTest, EachShowingRefreshesAndLoadsOnce) {
    auto screen = makeScreen();
    screen->show();
    ASSERT_TRUE(waitForWeek(*screen));
    EXPECT_EQ(refreshes, 1);
    screen->hide();
    screen->show();
    ASSERT_TRUE(waitForWeek(*screen));
    EXPECT_EQ(refreshes, 2);
}

TEST_F(ResourcesScreenTest, Pictures) {
    addWeek();
    for (const bool onBattery : {true, false}) {
        if (!onBattery) {
            power.capacityWattHours.reset(); // a desktop computer: watt-hours, measured energy
            processResources.method = platform::EnergyMethod::measured;
            monitor.reset();
        }
        const QString name = onBattery ? "resources-on-battery" : "resources-on-mains";
        EXPECT_TRUE(testsupport::savePictures(name, [&]() -> std::unique_ptr<QWidget> {
            auto screen = makeScreen();
            fill(screen->controller(), onBattery);
            screen->controller().setMaintenanceRunning(!onBattery);
            screen->resize(1000, 1080);
            screen->show();
            EXPECT_TRUE(waitForWeek(*screen));
            screen->hide(); // savePictures shows it again: it loads again
            return screen;
        }));
    }
}

} // namespace
} // namespace vesperline
