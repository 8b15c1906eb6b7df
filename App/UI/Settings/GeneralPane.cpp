#include "UI/Settings/GeneralPane.h"

#include "Model/AppSettings.h"
#include "Model/LaunchAtLogin.h"
#include "Platform/LoginItem.h"
#include "UI/Settings/PermissionRow.h"
#include "UI/Settings/SettingsContext.h"
#include "UI/Settings/SettingsForm.h"
#include "UI/Settings/ShortcutRecorder.h"
#include "UI/Settings/SymbolText.h"
#include "UI/Shared/ToggleSwitch.h"

#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vesperline {

GeneralPane::GeneralPane(SettingsContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    AppSettings& settings = context.settings();
    SettingsForm* form = SettingsForm::fill(this);

    FormSection* start = form->addSection();
    launchAtLogin_ = start->addSwitch(tr("Start Vesperline when you log in"), "launchAtLogin");
    launchAtLogin_->setChecked(context.loginItem().isEnabled());
    appLock_ = start->addSwitch(tr("Ask for your password to open your memory"), "appLock");

    FormSection* quickSearch = form->addSection(tr("Quick search"));
    hotKeyEnabled_ = quickSearch->addSwitch(tr("Global shortcut"), "hotKeyEnabled");
    recorder_ = new ShortcutRecorder(context.hotKeys(), settings.hotKey());
    recorder_->setObjectName("shortcutRecorder");
    shortcutRow_ = quickSearch->addLabeledRow(tr("Shortcut"), recorder_);
    shortcutRow_->setObjectName("shortcutRow");
    conflict_ = new SymbolText("exclamationmark.triangle",
                               tr("This shortcut is used by another app. Choose a different one."),
                               Theme::TextStyle::caption, Theme::peach.ink);
    conflict_->setObjectName("hotKeyConflict");
    conflictRow_ = quickSearch->addRow(conflict_);
    quickSearch->addText(tr("Opens a search panel over any app. Use Super or Ctrl in the shortcut."));

    FormSection* permissions = form->addSection(tr("Permissions"));
    screen_ = new PermissionRow(tr("Screen Recording"), tr("Required. Lets Vesperline see your screen."), {});
    screen_->setObjectName("screenPermission");
    permissions->addRow(screen_);
    accessibility_ = new PermissionRow(
        tr("Accessibility"),
        tr("Recommended. Reads text directly from apps (more accurate, less battery than reading images) and "
           "recognizes private browser windows. Without it, browser windows aren't recorded."),
        [&context] {
            if (context.actions().allowAccessibility) {
                context.actions().allowAccessibility();
            }
        });
    accessibility_->setObjectName("accessibilityPermission");
    permissions->addRow(accessibility_);

    // Only the user's own changes are written.
    connect(launchAtLogin_, &ToggleSwitch::clicked, this,
            [&context](bool on) { setLaunchAtLogin(context.loginItem(), on); });
    connect(appLock_, &ToggleSwitch::clicked, &settings, &AppSettings::setAppLockEnabled);
    connect(hotKeyEnabled_, &ToggleSwitch::clicked, &settings, &AppSettings::setHotKeyEnabled);
    connect(recorder_, &ShortcutRecorder::recorded, &settings, &AppSettings::setHotKey);

    for (auto changed : {&AppSettings::appLockEnabledChanged, &AppSettings::hotKeyEnabledChanged,
                         &AppSettings::hotKeyChanged}) {
        connect(&settings, changed, this, &GeneralPane::follow);
    }
    connect(&context, &SettingsContext::hotKeyConflictChanged, this, &GeneralPane::follow);
    connect(&context, &SettingsContext::permissionsChanged, this, &GeneralPane::follow);
    follow();
}

void GeneralPane::follow() {
    const AppSettings& settings = context_.settings();
    const QSignalBlocker lock(appLock_);
    const QSignalBlocker hotKey(hotKeyEnabled_);
    appLock_->setChecked(settings.appLockEnabled());
    hotKeyEnabled_->setChecked(settings.hotKeyEnabled());
    shortcutRow_->setEnabled(settings.hotKeyEnabled());
    recorder_->setCombo(settings.hotKey());
    conflictRow_->setVisible(context_.hotKeyConflict());
    screen_->setGranted(context_.screenPermission());
    accessibility_->setGranted(context_.accessibilityPermission());
}

} // namespace vesperline
