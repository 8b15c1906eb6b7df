#include "UI/Settings/StoragePane.h"

#include "SettingsFixture.h"
#include "Support/ViewPictures.h"
#include "UI/Settings/SettingsSelection.h"
#include "UI/Settings/SettingsWindow.h"
#include "UI/Shared/ActivityIndicator.h"
#include "UI/Shared/ToggleSwitch.h"

#include <QComboBox>
#include <QPushButton>

namespace vesperline {
namespace {

constexpr ostrel::Time march1st2025 = 1740827109;

class StoragePaneTest : public SettingsFixture {
  protected:
    std::unique_ptr<StoragePane> makePane() {
        auto pane = std::make_unique<StoragePane>(context());
        pane->resize(540, 480);
        pane->show();
        return pane;
    }
    static QComboBox* picker(const QWidget& pane, const char* name) { return child<QComboBox>(pane, name); }
    static ostrel::StorageBreakdown aMonthOfMemory() {
        ostrel::StorageBreakdown storage;
        storage.segmentBytes = 2'000'000'000;
        storage.databaseBytes = 500'000'000;
        storage.frameCount = 1'500'000;
        storage.oldest = march1st2025;
        return storage;
    }
};

TEST_F(StoragePaneTest, AFreshInstallShowsTheDefaults) {
    auto pane = makePane();
    EXPECT_EQ(picker(*pane, "fullImageDays")->currentText(), "7 days");
    EXPECT_EQ(picker(*pane, "keyframeDays")->currentText(), "60 days");
    EXPECT_EQ(picker(*pane, "textDays")->currentText(), "Forever");
    EXPECT_EQ(picker(*pane, "diskCapGB")->currentText(), "10 GB");
    EXPECT_TRUE(child<ToggleSwitch>(*pane, "excludeFromBackup")->isChecked());
    const QStringList keyframes = [&] {
        QStringList items;
        for (int i = 0; i < picker(*pane, "keyframeDays")->count(); ++i) {
            items << picker(*pane, "keyframeDays")->itemText(i);
        }
        return items;
    }();
    EXPECT_EQ(keyframes, QStringList({"30 days", "60 days", "90 days", "180 days", "365 days", "Forever"}));
    EXPECT_EQ(store->totalWrites(), 0);
}

TEST_F(StoragePaneTest, AStoredValueOutsideTheChoicesSelectsNothingAndIsNeverRewritten) {
    store->values["fullImageDays"] = qlonglong(45);
    store->values["diskCapGB"] = qlonglong(7);
    auto pane = makePane();
    EXPECT_EQ(picker(*pane, "fullImageDays")->currentIndex(), -1);
    EXPECT_EQ(picker(*pane, "diskCapGB")->currentIndex(), -1);
    // Other pickers and switches change their own keys only.
    picker(*pane, "textDays")->activated(2);
    click(*pane, "excludeFromBackup");
    EXPECT_EQ(store->writes, (QMap<QString, int>{{"textDays", 1}, {"excludeFromBackup", 1}}));
    EXPECT_EQ(store->values["textDays"], qlonglong(365));
    EXPECT_EQ(store->values["excludeFromBackup"], false);
    EXPECT_EQ(store->values["fullImageDays"], qlonglong(45));
    EXPECT_EQ(picker(*pane, "fullImageDays")->currentIndex(), -1);
    // Until the user picks a choice.
    picker(*pane, "fullImageDays")->activated(3);
    EXPECT_EQ(store->values["fullImageDays"], qlonglong(30));
    picker(*pane, "fullImageDays")->activated(3);
    EXPECT_EQ(store->writes["fullImageDays"], 1) << "picking the value held writes nothing";
    picker(*pane, "textDays")->activated(3);
    EXPECT_EQ(store->values["textDays"], qlonglong(0)) << "Forever";
}

TEST_F(StoragePaneTest, ShowsTheFiguresOfRightNowAndAsksForThemOnceWhenShown) {
    auto pane = makePane();
    EXPECT_EQ(refreshes, 1);
    pane->hide();
    pane->show();
    EXPECT_EQ(refreshes, 1);
    // An empty memory: only the database file, no oldest moment.
    ostrel::StorageBreakdown empty;
    empty.databaseBytes = 98'304;
    context().setStorage(empty);
    EXPECT_EQ(text(*pane, "usedOnDisk"), "98 kB");
    EXPECT_EQ(text(*pane, "moments"), "0");
    EXPECT_FALSE(child(*pane, "oldestMoment")->isVisible());

    context().setStorage(aMonthOfMemory());
    EXPECT_EQ(text(*pane, "usedOnDisk"), "2.5 GB");
    EXPECT_EQ(text(*pane, "moments"), "1500000");
    EXPECT_EQ(text(*pane, "oldestMoment"), "Mar 1, 2025");
    EXPECT_TRUE(child(*pane, "oldestMoment")->isVisible());

    click(*pane, "showDataFolder");
    EXPECT_EQ(fileViewer.shown, std::vector<std::filesystem::path>{dataFolder});
}

TEST_F(StoragePaneTest, TidyUpIsOfferedOnlyWhileNoPassRuns) {
    auto pane = makePane();
    EXPECT_FALSE(child(*pane, "maintenanceIndicator")->isVisible());
    click(*pane, "tidyUp");
    EXPECT_EQ(maintenanceRuns, 1);
    context().setMaintenanceRunning(true);
    EXPECT_FALSE(child(*pane, "tidyUp")->isEnabled());
    EXPECT_TRUE(child(*pane, "maintenanceIndicator")->isVisible());
    // A pane made while the pass runs shows it too.
    auto later = makePane();
    EXPECT_FALSE(child(*later, "tidyUp")->isEnabled());
    context().setMaintenanceRunning(false);
    EXPECT_TRUE(child(*pane, "tidyUp")->isEnabled());
    EXPECT_FALSE(child(*later, "maintenanceIndicator")->isVisible());
    EXPECT_EQ(maintenanceRuns, 1);
}

TEST_F(StoragePaneTest, Pictures) {
    context().setStorage(aMonthOfMemory());
    SettingsSelection selection;
    selection.setTab(SettingsTab::storage);
    EXPECT_TRUE(testsupport::savePictures(
        "settings-storage", [&] { return std::make_unique<SettingsWindow>(context(), selection); }));
    context().setMaintenanceRunning(true);
    EXPECT_TRUE(testsupport::savePictures(
        "settings-storage-tidying", [&] { return std::make_unique<SettingsWindow>(context(), selection); }));
}

} // namespace
} // namespace vesperline
