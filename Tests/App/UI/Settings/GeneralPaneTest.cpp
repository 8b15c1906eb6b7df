#include "UI/Settings/GeneralPane.h"

#include "SettingsFixture.h"
#include "Support/LogCapture.h"
#include "Support/ViewPictures.h"
#include "UI/Settings/PermissionRow.h"
#include "UI/Settings/SettingsSelection.h"
#include "UI/Settings/SettingsWindow.h"
#include "UI/Settings/ShortcutRecorder.h"
#include "UI/Settings/SymbolText.h"
#include "UI/Shared/SymbolLabel.h"
#include "UI/Shared/ToggleSwitch.h"

#include <QShortcut>

namespace vesperline {
namespace {

constexpr std::uint32_t control = HotKeyCombo::control, shift = HotKeyCombo::shift,
                        command = HotKeyCombo::command;

class GeneralPaneTest : public SettingsFixture {
  protected:
    std::unique_ptr<GeneralPane> makePane() {
        auto pane = std::make_unique<GeneralPane>(context());
        pane->resize(540, 480);
        pane->show();
        return pane;
    }
    static bool checked(const QWidget& pane, const char* name) {
        const auto* toggle = pane.findChild<ToggleSwitch*>(name);
        return toggle && toggle->isChecked();
    }
};

TEST_F(GeneralPaneTest, ShowsTheSettingsAndWritesEachOnlyWhenTheUserChangesIt) {
    store->values["appLockEnabled"] = true;
    store->values["hotKeyEnabled"] = false;
    loginItem.enabled = true;
    auto pane = makePane();
    EXPECT_TRUE(checked(*pane, "launchAtLogin"));
    EXPECT_TRUE(checked(*pane, "appLock"));
    EXPECT_FALSE(checked(*pane, "hotKeyEnabled"));
    EXPECT_FALSE(child(*pane, "shortcutRow")->isEnabled()) << "no shortcut while the global shortcut is off";
    EXPECT_EQ(child<QPushButton>(*pane, "shortcutRecorder")->text(), "Shift+Super+Space");

    // Settings changed elsewhere are shown and not written back.
    settings().setAppLockEnabled(false);
    settings().setHotKey({40, control | shift});
    store->writes.clear();
    EXPECT_FALSE(checked(*pane, "appLock"));
    EXPECT_EQ(child<QPushButton>(*pane, "shortcutRecorder")->text(), "Ctrl+Shift+K");
    EXPECT_EQ(store->totalWrites(), 0);
    EXPECT_EQ(loginItem.changes, 0);

    click(*pane, "appLock");
    click(*pane, "hotKeyEnabled");
    EXPECT_EQ(store->writes, (QMap<QString, int>{{"appLockEnabled", 1}, {"hotKeyEnabled", 1}}));
    EXPECT_TRUE(settings().appLockEnabled());
    EXPECT_TRUE(settings().hotKeyEnabled());
    EXPECT_TRUE(child(*pane, "shortcutRow")->isEnabled());
    EXPECT_EQ(settings().hotKey(), (HotKeyCombo{40, control | shift})) << "the combination stays";
}

TEST_F(GeneralPaneTest, LaunchAtLoginIsReadWhenThePaneIsMadeAndChangedByTheSwitch) {
    auto pane = makePane();
    EXPECT_FALSE(checked(*pane, "launchAtLogin"));
    // Read once: a change behind the pane's back shows in the next pane only.
    loginItem.enabled = true;
    EXPECT_FALSE(checked(*pane, "launchAtLogin"));
    EXPECT_TRUE(checked(*makePane(), "launchAtLogin"));

    click(*pane, "launchAtLogin"); // on, and already on: nothing to change
    EXPECT_EQ(loginItem.changes, 0);
    click(*pane, "launchAtLogin");
    EXPECT_FALSE(loginItem.enabled);
    EXPECT_EQ(loginItem.changes, 1);

    // A refusal is logged and the switch keeps the user's choice.
    loginItem.refuse = true;
    testsupport::LogCapture log;
    click(*pane, "launchAtLogin");
    EXPECT_TRUE(checked(*pane, "launchAtLogin"));
    EXPECT_FALSE(loginItem.enabled);
    EXPECT_EQ(log.count("Login item change failed: the desktop refused the change"), 1);
    EXPECT_EQ(store->totalWrites(), 0) << "launch at login is no setting";
}

TEST_F(GeneralPaneTest, TheConflictWarningAndThePermissionsFollowTheModel) {
    context().setPermissions(true, false);
    auto pane = makePane();
    EXPECT_FALSE(child(*pane, "hotKeyConflict")->isVisible());
    context().setHotKeyConflict(true);
    EXPECT_TRUE(child(*pane, "hotKeyConflict")->isVisible());
    EXPECT_EQ(child<SymbolText>(*pane, "hotKeyConflict")->label()->text(),
              "This shortcut is used by another app. Choose a different one.");

    auto* screen = child<PermissionRow>(*pane, "screenPermission");
    auto* accessibility = child<PermissionRow>(*pane, "accessibilityPermission");
    EXPECT_TRUE(child(*screen, "permissionAllowed")->isVisible());
    EXPECT_EQ(child<SymbolLabel>(*screen, "permissionIcon")->symbol(), "checkmark.circle.fill");
    EXPECT_FALSE(child(*screen, "permissionAllow")->isVisible());
    EXPECT_FALSE(child(*accessibility, "permissionAllowed")->isVisible());
    click(*accessibility, "permissionAllow");
    EXPECT_EQ(accessibilityRequests, 1);

    // Nothing grants the screen from here: without it the row says so and offers no button.
    context().setPermissions(false, true);
    EXPECT_EQ(child<SymbolLabel>(*screen, "permissionIcon")->symbol(), "exclamationmark.circle.fill");
    EXPECT_FALSE(child(*screen, "permissionAllow")->isVisible());
    EXPECT_TRUE(child(*accessibility, "permissionAllowed")->isVisible());
    EXPECT_TRUE(testsupport::savePictures(*pane, "settings-general-conflict"));
}

TEST_F(GeneralPaneTest, Pictures) {
    context().setPermissions(true, false);
    SettingsSelection selection;
    EXPECT_TRUE(testsupport::savePictures(
        "settings-general", [&] { return std::make_unique<SettingsWindow>(context(), selection); }));
}

// The recorder in its window, with two shortcuts of the application in another one: Quit and Settings.
class ShortcutRecorderTest : public GeneralPaneTest {
  protected:
    ShortcutRecorderTest() {
        // The shortcuts' window is open, behind the settings.
        other.resize(200, 100);
        other.show();
        quit.setContext(Qt::ApplicationShortcut);
        settingsShortcut.setContext(Qt::ApplicationShortcut);
        QObject::connect(&quit, &QShortcut::activated, [this] { ++quits; });
        QObject::connect(&settingsShortcut, &QShortcut::activated, [this] { ++settingsOpenings; });
    }
    ShortcutRecorder& recorder(const QWidget& pane) {
        return *child<ShortcutRecorder>(pane, "shortcutRecorder");
    }
    void press(QWidget& target, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(&target, key, modifiers);
    }

    QWidget other;
    QShortcut quit{QKeySequence(QStringLiteral("Ctrl+Q")), &other};
    QShortcut settingsShortcut{QKeySequence(QStringLiteral("Ctrl+,")), &other};
    int quits = 0;
    int settingsOpenings = 0;
};

TEST_F(ShortcutRecorderTest, AcceptsSuperOrCtrlCombinationsAndFunctionKeysAndIgnoresTheRest) {
    struct Case {
        const char* what;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        std::optional<HotKeyCombo> stored; // none: ignored, still listening
    };
    const Case cases[] = {
        {"Shift+A", Qt::Key_A, Qt::ShiftModifier, std::nullopt},
        {"Alt+A", Qt::Key_A, Qt::AltModifier, std::nullopt},
        {"A alone", Qt::Key_A, {}, std::nullopt},
        {"Ctrl on its own", Qt::Key_Control, Qt::ControlModifier, std::nullopt},
        {"Super on its own", Qt::Key_Meta, Qt::MetaModifier, std::nullopt},
        {"a key without a place", Qt::Key_VolumeUp, Qt::ControlModifier, std::nullopt},
        {"Super+Shift+K", Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier, HotKeyCombo{40, command | shift}},
        {"Ctrl+S", Qt::Key_S, Qt::ControlModifier, HotKeyCombo{1, control}},
        {"F5", Qt::Key_F5, {}, HotKeyCombo{96, 0}},
        {"Shift+F12", Qt::Key_F12, Qt::ShiftModifier, HotKeyCombo{111, shift}},
    };
    auto pane = makePane();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ShortcutRecorder& button = recorder(*pane);
        settings().setHotKey({});
        store->writes.clear();
        click(*pane, "shortcutRecorder");
        ASSERT_TRUE(button.isRecording());
        EXPECT_EQ(button.text(), "Type shortcut…");
        press(*pane, c.key, c.modifiers);
        if (c.stored) {
            EXPECT_FALSE(button.isRecording());
            EXPECT_EQ(settings().hotKey(), *c.stored);
            EXPECT_EQ(store->writes, (QMap<QString, int>{{"hotKey", 1}}));
            EXPECT_EQ(button.text(), hotKeys.displayString(*c.stored));
        } else {
            EXPECT_TRUE(button.isRecording());
            EXPECT_EQ(store->totalWrites(), 0);
            click(*pane, "shortcutRecorder"); // pressed again: stops, nothing changed
            EXPECT_FALSE(button.isRecording());
            EXPECT_EQ(settings().hotKey(), HotKeyCombo{});
        }
    }
}

TEST_F(ShortcutRecorderTest, EscapeKeepsTheShortcutAndNoShortcutOfTheAppFiresWhileListening) {
    auto pane = makePane();
    pane->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(pane.get()));
    // Before listening the application's shortcuts work, from any window.
    press(*pane, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 1);

    click(*pane, "shortcutRecorder");
    press(*pane, Qt::Key_Escape);
    EXPECT_FALSE(recorder(*pane).isRecording());
    EXPECT_EQ(recorder(*pane).text(), "Shift+Super+Space");
    EXPECT_EQ(store->totalWrites(), 0);

    click(*pane, "shortcutRecorder");
    press(*pane, Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(settingsOpenings, 0);
    EXPECT_EQ(settings().hotKey(), (HotKeyCombo{43, control}));
    click(*pane, "shortcutRecorder");
    press(*pane, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 1) << "Ctrl+Q became the shortcut instead of quitting";
    EXPECT_EQ(settings().hotKey(), (HotKeyCombo{12, control}));
    EXPECT_EQ(store->writes, (QMap<QString, int>{{"hotKey", 2}}));
}

TEST_F(ShortcutRecorderTest, LeavingTheTabWhileListeningStopsIt) {
    SettingsSelection selection;
    SettingsWindow window(context(), selection);
    window.show();
    click(*window.pane(), "shortcutRecorder");
    selection.setTab(SettingsTab::recording);
    // The key goes to the application again: nothing listens for it.
    press(window, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(settings().hotKey(), HotKeyCombo{});
    EXPECT_EQ(store->totalWrites(), 0);
    // So does hiding the recorder with its window.
    selection.setTab(SettingsTab::general);
    click(*window.pane(), "shortcutRecorder");
    window.hide();
    EXPECT_FALSE(recorder(*window.pane()).isRecording());
}

} // namespace
} // namespace vesperline
