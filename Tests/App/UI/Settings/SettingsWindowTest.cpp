#include "UI/Settings/SettingsWindow.h"

#include "SettingsFixture.h"
#include "UI/Settings/SettingsSelection.h"

#include <QListWidget>
#include <QPointer>
#include <QSignalSpy>

namespace vesperline {
namespace {

TEST(SettingsTabTest, RawValuesTitlesAndSymbolsInSidebarOrder) {
    struct Case {
        const char* raw;
        const char* title;
        const char* symbol;
    };
    const Case cases[] = {
        {"general", "General", "gearshape"},   {"recording", "Recording", "record.circle"},
        {"privacy", "Privacy", "hand.raised"}, {"storage", "Storage", "internaldrive"},
        {"projects", "Projects", "folder"},    {"ai", "AI", "point.3.connected.trianglepath.dotted"},
        {"about", "About", "info.circle"},
    };
    ASSERT_EQ(std::size(cases), allSettingsTabs.size());
    for (std::size_t i = 0; i < allSettingsTabs.size(); ++i) {
        const SettingsTab tab = allSettingsTabs[i];
        EXPECT_EQ(rawValue(tab), cases[i].raw);
        EXPECT_EQ(settingsTabFromRaw(cases[i].raw), tab);
        EXPECT_EQ(title(tab), cases[i].title);
        EXPECT_EQ(symbol(tab), cases[i].symbol);
    }
    for (const char* raw : {"General", "", "AI", "about "}) {
        EXPECT_EQ(settingsTabFromRaw(raw), std::nullopt) << raw;
    }
}

TEST(SettingsSelectionTest, OnlyAChangeIsReported) {
    SettingsSelection selection;
    QSignalSpy changes(&selection, &SettingsSelection::tabChanged);
    EXPECT_EQ(selection.tab(), SettingsTab::general);
    selection.setTab(SettingsTab::general);
    EXPECT_EQ(changes.count(), 0);
    selection.setTab(SettingsTab::storage);
    selection.setTab(SettingsTab::storage);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(selection.tab(), SettingsTab::storage);
}

class SettingsWindowTest : public SettingsFixture {
  protected:
    SettingsSelection selection;

    static QListWidget& sidebar(const SettingsWindow& window) {
        return *window.findChild<QListWidget*>("settingsSidebar");
    }
    static QString shown(const SettingsWindow& window) {
        return window.pane()->objectName() + " " + window.findChild<QLabel*>("paneTitle")->text() + " " +
               QString::number(sidebar(window).currentRow());
    }
};

TEST_F(SettingsWindowTest, IsAFixedWindowWithTheTabsInOrder) {
    auto* window = new SettingsWindow(context(), selection);
    const QPointer<SettingsWindow> alive(window);
    window->show();
    EXPECT_EQ(window->windowTitle(), "Vesperline Settings");
    EXPECT_EQ(window->size(), QSize(760, 560));
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "not resizable";
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    QListWidget& list = sidebar(*window);
    EXPECT_EQ(list.width(), 190);
    ASSERT_EQ(list.count(), 7);
    for (int i = 0; i < list.count(); ++i) {
        EXPECT_EQ(list.item(i)->text(), title(allSettingsTabs[std::size_t(i)]));
    }
    EXPECT_EQ(shown(*window), "generalPane General 0");
    // Closing lets the window go; the window manager builds the next one.
    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
}

TEST_F(SettingsWindowTest, FollowsTheSelectionAndBuildsEachPaneAnew) {
    SettingsWindow window(context(), selection);
    window.show();
    QPointer<QWidget> general = window.pane();
    // Another part of the application opens the window at a tab.
    selection.setTab(SettingsTab::privacy);
    EXPECT_EQ(shown(window), "privacyPane Privacy 2");
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(general.isNull()) << "the pane left behind is gone";

    // The user picks a tab in the sidebar.
    QListWidget& list = sidebar(window);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(3)).center());
    EXPECT_EQ(selection.tab(), SettingsTab::storage);
    EXPECT_EQ(shown(window), "storagePane Storage 3");

    // A click below the last tab clears nothing.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(20, list.viewport()->height() - 5));
    EXPECT_EQ(selection.tab(), SettingsTab::storage);
    EXPECT_EQ(list.selectedItems().size(), 1);
    EXPECT_EQ(shown(window), "storagePane Storage 3");

    // Coming back to a tab builds its pane again.
    selection.setTab(SettingsTab::general);
    QWidget* again = window.pane();
    selection.setTab(SettingsTab::recording);
    selection.setTab(SettingsTab::general);
    EXPECT_NE(window.pane(), again);
}

TEST_F(SettingsWindowTest, AReopenedWindowShowsTheTabLeftLast) {
    {
        SettingsWindow first(context(), selection);
        first.show();
        selection.setTab(SettingsTab::storage);
    }
    SettingsWindow second(context(), selection);
    second.show();
    EXPECT_EQ(shown(second), "storagePane Storage 3");
}

} // namespace
} // namespace vesperline
