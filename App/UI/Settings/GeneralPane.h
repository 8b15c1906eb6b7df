#pragma once

#include <QWidget>

namespace vesperline {

class PermissionRow;
class SettingsContext;
class ShortcutRecorder;
class SymbolText;
class ToggleSwitch;

// The General pane: launch at login, the app lock, the global shortcut of quick search with its
// recorder and conflict warning, and the two permissions recording needs. Whether Vesperline starts
// at login is read from the desktop once, when the pane is made.
class GeneralPane final : public QWidget {
    Q_OBJECT

  public:
    explicit GeneralPane(SettingsContext& context, QWidget* parent = nullptr);

  private:
    // Shows the settings and the model's figures; writes nothing.
    void follow();

    SettingsContext& context_;
    ToggleSwitch* launchAtLogin_;
    ToggleSwitch* appLock_;
    ToggleSwitch* hotKeyEnabled_;
    QWidget* shortcutRow_;
    ShortcutRecorder* recorder_;
    SymbolText* conflict_;
    QWidget* conflictRow_;
    PermissionRow* screen_;
    PermissionRow* accessibility_;
};

} // namespace vesperline
