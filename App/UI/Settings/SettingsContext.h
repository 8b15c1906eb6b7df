#pragma once

#include "Storage/StorageBreakdown.h"
#include "Store/Format.h"

#include <QObject>

#include <filesystem>
#include <functional>

namespace vesperline {

class AppSettings;
class HotKeyManager;

namespace platform {
class FileViewer;
class LoginItem;
} // namespace platform

// What the settings window is made over: the settings it edits, the services its panes use, the
// application model's figures that it shows and the model's operations that it starts. The window
// manager keeps one for the whole run, next to the tab selection, and builds each settings window
// over it; the application model sets the figures here whenever they change. Main thread only.
class SettingsContext final : public QObject {
    Q_OBJECT

  public:
    // Everything here must outlive the context.
    struct Services {
        AppSettings& settings;
        HotKeyManager& hotKeys;
        platform::LoginItem& loginItem;
        platform::FileViewer& fileViewer;
        // The data folder the file manager shows.
        std::filesystem::path dataFolder;
        const Format& format = Format::current();
    };

    // What the panes ask of the application model; each returns at once, and what it changes comes
    // back through the figures' setters below. An action left empty does nothing.
    struct ModelActions {
        // Reloads the statistics, among them the storage figures.
        std::function<void()> refreshStats;
        // Runs one maintenance pass, unless one runs already.
        std::function<void()> runMaintenance;
        // Asks the desktop to let Vesperline read other applications' text.
        std::function<void()> allowAccessibility;
    };

    SettingsContext(Services services, ModelActions actions, QObject* parent = nullptr);

    AppSettings& settings() const { return services_.settings; }
    HotKeyManager& hotKeys() const { return services_.hotKeys; }
    platform::LoginItem& loginItem() const { return services_.loginItem; }
    platform::FileViewer& fileViewer() const { return services_.fileViewer; }
    const std::filesystem::path& dataFolder() const { return services_.dataFolder; }
    const Format& format() const { return services_.format; }
    const ModelActions& actions() const { return actions_; }

    // ---- The model's figures: it sets each whenever it changes; a signal follows a real change --
    const ostrel::StorageBreakdown& storage() const { return storage_; }
    void setStorage(const ostrel::StorageBreakdown& storage);
    bool maintenanceRunning() const { return maintenanceRunning_; }
    void setMaintenanceRunning(bool running);
    // Registering the global shortcut failed: another program holds it.
    bool hotKeyConflict() const { return hotKeyConflict_; }
    void setHotKeyConflict(bool conflict);
    bool screenPermission() const { return screenPermission_; }
    bool accessibilityPermission() const { return accessibilityPermission_; }
    void setPermissions(bool screen, bool accessibility);

  signals:
    void storageChanged();
    void maintenanceRunningChanged();
    void hotKeyConflictChanged();
    void permissionsChanged();

  private:
    Services services_;
    ModelActions actions_;
    ostrel::StorageBreakdown storage_;
    bool maintenanceRunning_ = false;
    bool hotKeyConflict_ = false;
    bool screenPermission_ = true;
    bool accessibilityPermission_ = true;
};

} // namespace vesperline
