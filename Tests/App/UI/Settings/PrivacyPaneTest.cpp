#include "UI/Settings/PrivacyPane.h"

#include "Rules/PrivacyRules.h"
#include "SettingsFixture.h"
#include "Support/ViewPictures.h"
#include "UI/Settings/ApplicationPicker.h"
#include "UI/Settings/ExcludedApps.h"
#include "UI/Settings/SettingsSelection.h"
#include "UI/Settings/SettingsWindow.h"
#include "UI/Shared/ActivityIndicator.h"
#include "UI/Shared/ToggleSwitch.h"

#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

namespace vesperline {
namespace {

using Ids = std::vector<std::string>;

class PrivacyPaneTest : public SettingsFixture {
  protected:
    std::unique_ptr<PrivacyPane> makePane() {
        auto pane = std::make_unique<PrivacyPane>(context());
        pane->resize(540, 480);
        pane->show();
        return pane;
    }
    // The ids of the rows the apps section shows, in order.
    static QStringList appRows(const QWidget& pane) {
        QApplication::processEvents(); // rows made while the pane shows are shown on the next turn
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // and the rows replaced go
        QStringList rows;
        for (const QWidget* row : pane.findChildren<QWidget*>(QRegularExpression("^app:"))) {
            if (row->isVisibleTo(&pane)) {
                rows << row->objectName().mid(4);
            }
        }
        return rows;
    }
    static QStringList siteRows(const QWidget& pane) {
        QApplication::processEvents();
        QStringList rows;
        for (const QWidget* row : pane.findChildren<QWidget*>(QRegularExpression("^site:"))) {
            if (row->isVisibleTo(&pane)) {
                rows << row->objectName().mid(5);
            }
        }
        return rows;
    }
    static void removeRow(const QWidget& pane, const QString& name) {
        auto* row = pane.findChild<QWidget*>(name);
        ASSERT_TRUE(row) << name.toStdString();
        child<QToolButton>(*row, "remove")->click();
        QApplication::processEvents();
    }
    // The running-applications menu as the user opens it.
    static QMenu& openedMenu(const QWidget& pane) {
        QMenu& menu = *child<QMenu>(pane, "addAppMenu");
        emit menu.aboutToShow();
        return menu;
    }
    static QStringList titles(const QMenu& menu) {
        QStringList list;
        for (const QAction* action : menu.actions()) {
            list << (action->isSeparator() ? QStringLiteral("-") : action->text());
        }
        return list;
    }
    void install(const std::string& id, const std::optional<std::string>& name = std::nullopt) {
        installed.install({id, "/usr/share/applications/" + id + ".desktop", std::nullopt, name});
    }
    void run(std::int32_t pid, const std::optional<std::string>& id, const std::optional<std::string>& name) {
        workspace.applications[pid] = {pid, id, name};
    }
    // Answers the confirmation shown now with its destructive action or with cancel.
    static void answer(const PrivacyPane& pane, const char* button) {
        QMessageBox* box = pane.confirmation();
        ASSERT_TRUE(box) << "no confirmation";
        child<QPushButton>(*box, button)->click();
        QApplication::processEvents();
    }
};

TEST(ExcludedAppsTest, PasswordManagersShowOnlyWhenInstalledAndAreCountedOnceEachOtherwise) {
    platform::FakeInstalledApplications installed;
    const Ids defaults = ostrel::PrivacyRules::passwordManagers();
    // Eleven managers, however many ids each has on this desktop.
    EXPECT_EQ(ExcludedApps::listing(defaults, installed), (ExcludedApps::Listing{{}, 11}));

    // KeePassXC installed under its desktop-file id: one row, named as its desktop file says.
    installed.install({"org.keepassxc.KeePassXC", "/usr/share/applications/org.keepassxc.KeePassXC.desktop",
                       std::nullopt, "KeePassXC Password Manager"});
    EXPECT_EQ(ExcludedApps::listing(defaults, installed),
              (ExcludedApps::Listing{{{"org.keepassxc.KeePassXC", "KeePassXC Password Manager", true}}, 10}));
    // Also when only another of its ids is still excluded: it is installed, so it is not "other".
    EXPECT_EQ(ExcludedApps::listing({"KeePassXC", "bitwarden"}, installed), (ExcludedApps::Listing{{}, 1}));

    // Any other id is listed once, installed or not, with what is known of its name.
    installed.install(
        {"org.example.Chat", "/usr/share/applications/org.example.Chat.desktop", std::nullopt, "Chat"});
    EXPECT_EQ(ExcludedApps::listing({"org.example.Gone", "org.example.Chat", "org.example.Gone", "enpass"},
                                    installed),
              (ExcludedApps::Listing{
                  {{"org.example.Gone", "org.example.Gone", false}, {"org.example.Chat", "Chat", true}}, 1}));
}

TEST(ExcludedAppsTest, RemovingAManagerLetsEveryIdOfItBeRecordedAndKeepsTheOrder) {
    const Ids excluded{"org.example.Chat",    "org.keepassxc.keepassxc", "bitwarden",          "KeePassXC",
                       "keepassxc_keepassxc", "org.example.Chat",        "com.apple.Passwords"};
    EXPECT_EQ(ExcludedApps::removing(excluded, "KeePassXC"),
              (Ids{"org.example.Chat", "bitwarden", "org.example.Chat", "com.apple.Passwords"}));
    EXPECT_EQ(ExcludedApps::removing(excluded, "org.example.Chat"),
              (Ids{"org.keepassxc.keepassxc", "bitwarden", "KeePassXC", "keepassxc_keepassxc",
                   "com.apple.Passwords"}));
    // The system's own applications have no name to share: each stands alone.
    EXPECT_EQ(
        ExcludedApps::removing({"com.apple.Passwords", "com.apple.keychainaccess"}, "com.apple.Passwords"),
        (Ids{"com.apple.keychainaccess"}));
    EXPECT_EQ(ExcludedApps::adding({"a", "b"}, "a"), (Ids{"a", "b"}));
    EXPECT_EQ(ExcludedApps::adding({"a"}, "b"), (Ids{"a", "b"}));
}

TEST(ExcludedAppsTest, AddAppLeavesOutThisApplicationAndWhatIsExcludedAlready) {
    constexpr std::int32_t ownPid = 40;
    platform::FakeWorkspace workspace;
    workspace.applications = {
        {10, {10, "org.keepassxc.KeePassXC", "KeePassXC"}},
        {11, {11, "keepassxc", "KeePassXC (another id)"}},
        {12, {12, "org.example.Chat", "Chat"}},
        {13, {13, "org.vesperline.Vesperline", "Vesperline"}},
        // This application's window known by its window class, as X11 gives it without a desktop file.
        {ownPid, {ownPid, "Vesperline", "Vesperline"}},
        {14, {14, std::nullopt, "Nameless"}},
    };
    const struct {
        const char* what;
        Ids excluded;
        std::vector<std::int32_t> offered;
    } cases[] = {
        {"the default list holds KeePassXC by this id",
         ostrel::PrivacyRules::passwordManagers(),
         {12, 11, 14}},
        {"ids compare exactly, not by name", {"org.example.chat", "KeePassXC"}, {10, 11, 12, 14}},
        {"an excluded id leaves only its own application out", {"org.example.Chat"}, {10, 11, 14}},
        {"nothing excluded", {}, {10, 11, 12, 14}},
    };
    for (const auto& c : cases) {
        std::vector<std::int32_t> offered;
        for (const auto& application :
             ExcludedApps::addableApps(workspace, "org.vesperline.Vesperline", ownPid, c.excluded)) {
            offered.push_back(application.pid);
        }
        std::sort(offered.begin(), offered.end());
        std::vector<std::int32_t> expected = c.offered;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(offered, expected) << c.what;
    }
}

TEST_F(PrivacyPaneTest, AddingAndRemovingAnAppWritesTheSettingOnceEach) {
    store->values["excludedApps"] = QStringList{"org.example.Gone"};
    run(10, "org.example.Zoom", "Zoom");
    run(11, "org.example.Calendar", "calendar");
    run(12, "org.vesperline.Vesperline", "Vesperline");
    run(ownPid, "Vesperline", "Vesperline"); // its window named by its window class
    run(13, std::nullopt, std::string("Nameless"));
    install("org.example.Zoom", "Zoom Meetings");
    auto pane = makePane();
    EXPECT_EQ(appRows(*pane), QStringList({"org.example.Gone"}));
    EXPECT_EQ(text(*child(*pane, "app:org.example.Gone"), "notInstalled"), "not installed");
    EXPECT_EQ(child<QLabel>(*pane, "hiddenManagers")->isVisible(), false) << "no password manager excluded";

    // This application is not offered; the order is case-sensitive, so Zoom comes before calendar.
    QMenu& menu = openedMenu(*pane);
    EXPECT_EQ(titles(menu), QStringList({"Nameless", "Zoom", "calendar", "-", "Choose from Applications…"}));
    menu.actions()[1]->trigger();
    EXPECT_EQ(settings().excludedApps(), (Ids{"org.example.Gone", "org.example.Zoom"}));
    EXPECT_EQ(store->writes["excludedApps"], 1);
    // What is excluded already is offered no more.
    EXPECT_EQ(titles(openedMenu(*pane)),
              QStringList({"Nameless", "calendar", "-", "Choose from Applications…"}));
    openedMenu(*pane).actions()[0]->trigger(); // no id: nothing to exclude
    EXPECT_EQ(store->writes["excludedApps"], 1);
    QApplication::processEvents();
    EXPECT_EQ(appRows(*pane), QStringList({"org.example.Gone", "org.example.Zoom"}));
    EXPECT_EQ(text(*child(*pane, "app:org.example.Zoom"), "entryName"), "Zoom Meetings");

    removeRow(*pane, "app:org.example.Gone");
    EXPECT_EQ(settings().excludedApps(), (Ids{"org.example.Zoom"}));
    EXPECT_EQ(store->writes["excludedApps"], 2);
    EXPECT_EQ(appRows(*pane), QStringList({"org.example.Zoom"}));
}

TEST_F(PrivacyPaneTest, ApplicationsChosenFromTheInstalledOnesAreAppendedInTheListsOrderInOneWrite) {
    store->values["excludedApps"] = QStringList{"org.example.Notes"};
    install("org.example.Notes", "Notes");
    install("org.example.Atlas", "Atlas");
    install("org.example.Mail", "Mail");
    install("org.example.Zebra", "Zebra");
    auto pane = makePane();
    openedMenu(*pane).findChild<QAction*>("chooseFromApplications")->trigger();
    auto* picker = child<ApplicationPicker>(*pane, "applicationPicker");
    ASSERT_TRUE(picker);
    auto* list = child<QListWidget>(*picker, "applicationList");
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->item(0)->text(), "Atlas");
    auto* add = child<QPushButton>(*picker, "addApplications");
    EXPECT_FALSE(add->isEnabled()) << "nothing picked yet";
    for (int row : {3, 2, 0}) { // Zebra, Notes (excluded already), Atlas
        list->item(row)->setSelected(true);
    }
    // Installed while the list shows: it joins the list, and what was picked stays picked.
    install("org.example.Basil", "Basil");
    ASSERT_EQ(list->count(), 5);
    EXPECT_EQ(list->item(1)->text(), "Basil");
    EXPECT_EQ(picker->chosenIDs(), (Ids{"org.example.Atlas", "org.example.Notes", "org.example.Zebra"}));
    add->click();
    QApplication::processEvents();
    EXPECT_EQ(settings().excludedApps(),
              (Ids{"org.example.Notes", "org.example.Atlas", "org.example.Zebra"}));
    EXPECT_EQ(store->writes["excludedApps"], 1);

    // A cancelled choice changes nothing.
    openedMenu(*pane).findChild<QAction*>("chooseFromApplications")->trigger();
    picker = child<ApplicationPicker>(*pane, "applicationPicker");
    ASSERT_TRUE(picker);
    child<QListWidget>(*picker, "applicationList")->item(1)->setSelected(true);
    picker->reject();
    QApplication::processEvents();
    EXPECT_EQ(store->writes["excludedApps"], 1);
}

TEST_F(PrivacyPaneTest, TheFooterCountsTheManagersThatAreNotInstalled) {
    install("org.keepassxc.KeePassXC", "KeePassXC");
    auto pane = makePane();
    EXPECT_EQ(appRows(*pane), QStringList({"org.keepassxc.KeePassXC"}));
    EXPECT_EQ(text(*pane, "hiddenManagers"),
              "10 other password managers are excluded automatically if you install them.");
    // Recording the installed manager again takes every id of it out, in one write.
    removeRow(*pane, "app:org.keepassxc.KeePassXC");
    EXPECT_EQ(store->writes["excludedApps"], 1);
    for (const std::string& id : settings().excludedApps()) {
        EXPECT_EQ(id.find("eepass"), std::string::npos) << id;
    }
    EXPECT_EQ(text(*pane, "hiddenManagers"),
              "10 other password managers are excluded automatically if you install them.");
    EXPECT_TRUE(appRows(*pane).isEmpty());
}

TEST_F(PrivacyPaneTest, AnApplicationInstalledOrRemovedWhileThePaneShowsShowsAtOnce) {
    store->values["excludedApps"] = QStringList{"org.example.Chat", "org.keepassxc.KeePassXC"};
    auto pane = makePane();
    EXPECT_EQ(appRows(*pane), QStringList({"org.example.Chat"}));
    EXPECT_EQ(text(*child(*pane, "app:org.example.Chat"), "notInstalled"), "not installed");
    EXPECT_EQ(text(*pane, "hiddenManagers"),
              "1 other password manager is excluded automatically if you install it.");

    install("org.keepassxc.KeePassXC", "KeePassXC");
    install("org.example.Chat", "Chat");
    EXPECT_EQ(appRows(*pane), QStringList({"org.example.Chat", "org.keepassxc.KeePassXC"}));
    EXPECT_EQ(text(*child(*pane, "app:org.example.Chat"), "entryName"), "Chat");
    EXPECT_EQ(child(*pane, "app:org.example.Chat")->findChild<QLabel*>("notInstalled"), nullptr);
    EXPECT_FALSE(child<QLabel>(*pane, "hiddenManagers")->isVisible());

    installed.remove("org.keepassxc.KeePassXC");
    EXPECT_EQ(appRows(*pane), QStringList({"org.example.Chat"}));
    EXPECT_EQ(text(*pane, "hiddenManagers"),
              "1 other password manager is excluded automatically if you install it.");
    EXPECT_EQ(store->writes["excludedApps"], 0) << "showing writes nothing";
}

TEST_F(PrivacyPaneTest, AddingAndRemovingASiteWritesTheSettingOnceEach) {
    auto pane = makePane();
    auto* field = child<QLineEdit>(*pane, "newSite");
    auto* add = child<QPushButton>(*pane, "addSite");
    EXPECT_FALSE(add->isEnabled());
    field->setText(" \t ");
    EXPECT_FALSE(add->isEnabled()) << "spaces and tabs only";

    field->setText("  MyBank.COM\t");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(settings().excludedSites(), (Ids{"mybank.com"}));
    EXPECT_EQ(store->writes["excludedSites"], 1);
    EXPECT_EQ(field->text(), "");
    EXPECT_EQ(siteRows(*pane), QStringList({"mybank.com"}));

    // The same site again changes nothing and keeps what was typed.
    field->setText("mybank.com ");
    add->click();
    EXPECT_EQ(store->writes["excludedSites"], 1);
    EXPECT_EQ(field->text(), "mybank.com ");
    // Scheme and path stay part of the text.
    field->setText("https://Health.example/records");
    add->click();
    EXPECT_EQ(settings().excludedSites(), (Ids{"mybank.com", "https://health.example/records"}));

    removeRow(*pane, "site:mybank.com");
    EXPECT_EQ(settings().excludedSites(), (Ids{"https://health.example/records"}));
    EXPECT_EQ(store->writes["excludedSites"], 3);
    EXPECT_EQ(siteRows(*pane), QStringList({"https://health.example/records"}));
    EXPECT_EQ(store->writes.keys(), QStringList({"excludedSites"}));
}

TEST_F(PrivacyPaneTest, PrivateWindowsSwitchFollowsTheSettingAndWritesOnClick) {
    auto pane = makePane();
    EXPECT_TRUE(child<ToggleSwitch>(*pane, "skipPrivateWindows")->isChecked());
    settings().setSkipPrivateWindows(false);
    EXPECT_FALSE(child<ToggleSwitch>(*pane, "skipPrivateWindows")->isChecked());
    store->writes.clear();
    click(*pane, "skipPrivateWindows");
    EXPECT_TRUE(settings().skipPrivateWindows());
    EXPECT_EQ(store->writes, (QMap<QString, int>{{"skipPrivateWindows", 1}}));
}

TEST_F(PrivacyPaneTest, EachDeletionAsksFirstAndCancellingDoesNothing) {
    auto pane = makePane();
    struct Case {
        const char* button;
        QString question;
        QString asked; // what the model is asked once confirmed
    };
    // 10:00 in Istanbul: today began ten hours ago; the deletions reach five seconds ahead.
    const Case cases[] = {
        {"deleteLastHour", "Delete everything recorded in the last 1 hr? This can't be undone.", "recent 60"},
        {"deleteToday", "Delete everything recorded today? This can't be undone.",
         "range 1741294800 1741330805"},
        {"eraseAll", "Erase your entire memory?", "erase"},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.button);
        click(*pane, testCase.button);
        ASSERT_TRUE(pane->confirmation());
        EXPECT_EQ(pane->confirmation()->text().toStdString(), testCase.question.toStdString());
        answer(*pane, "cancel");
        EXPECT_FALSE(pane->confirmation());
        EXPECT_TRUE(deletions.empty()) << "cancelled";
        EXPECT_TRUE(child(*pane, "forget")->isEnabled());

        click(*pane, testCase.button);
        answer(*pane, "destroy");
        ASSERT_EQ(deletions.size(), 1u);
        EXPECT_EQ(deletions[0].what, testCase.asked);
        // While it runs, no other deletion can start.
        EXPECT_FALSE(child(*pane, "forget")->isEnabled());
        EXPECT_TRUE(child<ActivityIndicator>(*pane, "deleting")->isVisible());
        deletions[0].done();
        EXPECT_TRUE(child(*pane, "forget")->isEnabled());
        EXPECT_FALSE(child<ActivityIndicator>(*pane, "deleting")->isVisible());
        deletions.clear();
    }
    click(*pane, "eraseAll");
    EXPECT_EQ(pane->confirmation()->informativeText(),
              "All recorded images, text and journal data will be permanently deleted from this computer.");
    answer(*pane, "cancel");
    EXPECT_EQ(store->totalWrites(), 0);
}

TEST_F(PrivacyPaneTest, ADeletionTheModelDoesNotOfferIsNotOffered) {
    SettingsContext bare({settings(), hotKeys, loginItem, fileViewer, installed, workspace, dataFolder,
                          mcpServer, "org.vesperline.Vesperline", format, clock},
                         {});
    PrivacyPane pane(bare);
    for (const char* button : {"deleteLastHour", "deleteToday", "eraseAll"}) {
        EXPECT_FALSE(child(pane, button)->isEnabled()) << button;
    }
}

TEST_F(PrivacyPaneTest, ADeletionThatEndsAfterThePaneIsGoneTouchesNothing) {
    auto pane = makePane();
    click(*pane, "eraseAll");
    answer(*pane, "destroy");
    ASSERT_EQ(deletions.size(), 1u);
    pane.reset();
    deletions[0].done();
}

TEST_F(PrivacyPaneTest, Pictures) {
    store->values["excludedApps"] = QStringList{"org.example.Gone", "org.keepassxc.KeePassXC", "bitwarden"};
    store->values["excludedSites"] = QStringList{"mybank.com", "health.example"};
    install("org.keepassxc.KeePassXC", "KeePassXC");
    SettingsSelection selection;
    selection.setTab(SettingsTab::privacy);
    EXPECT_TRUE(testsupport::savePictures(
        "settings-privacy", [&] { return std::make_unique<SettingsWindow>(context(), selection); }));

    auto pane = makePane();
    EXPECT_EQ(text(*pane, "hiddenManagers").toStdString(),
              "1 other password manager is excluded automatically if you install it.");
    // The Forget row, at the bottom of the pane.
    auto* form = pane->findChild<QScrollArea*>();
    form->verticalScrollBar()->setValue(form->verticalScrollBar()->maximum());
    EXPECT_TRUE(testsupport::savePictures(*pane, "settings-privacy-forget"));
    click(*pane, "deleteToday");
    EXPECT_TRUE(testsupport::savePictures(*pane->confirmation(), "settings-privacy-confirm-today"));
    answer(*pane, "cancel");
}

} // namespace
} // namespace vesperline
