#pragma once

#include "AI/AIAvailability.h"
#include "Runtime/SystemClock.h"
#include "Storage/StorageBreakdown.h"
#include "Store/Format.h"
#include "Support/Time.h"

#include <QCoreApplication>
#include <QObject>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace vesperline {

class AppSettings;
class HotKeyManager;

namespace platform {
class FileViewer;
class InstalledApplications;
class LoginItem;
class Workspace;
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
        platform::InstalledApplications& installedApplications;
        platform::Workspace& workspace;
        // The data folder the file manager shows.
        std::filesystem::path dataFolder;
        // The assistants' server program, as installed beside the application.
        std::filesystem::path mcpServer = {};
        // This application's own id, which the list of running applications leaves out.
        std::string ownApplicationID = {};
        const Format& format = Format::current();
        const ostrel::Clock& clock = systemClock();
        // This application's own process: its windows may name it by a window class rather than
        // by its id, and it is left out of the running applications all the same.
        std::int32_t ownProcessID = std::int32_t(QCoreApplication::applicationPid());
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
        // Reads the permissions and whether the language model can be used again.
        std::function<void()> refreshPermissions;
        // Opens the first-run tour at its first step.
        std::function<void()> showOnboarding;

        // The deletions: each starts at once and calls `done` on the main thread when it has ended,
        // whether it succeeded or not (the model logs its own failures). Everything recorded from
        // `from` up to `to`; the last `minutes` (up to a few seconds ahead); the whole memory.
        std::function<void(ostrel::Time from, ostrel::Time to, std::function<void()> done)> deleteRange;
        std::function<void(std::int64_t minutes, std::function<void()> done)> deleteRecent;
        std::function<void(std::function<void()> done)> eraseAll;
    };

    SettingsContext(Services services, ModelActions actions, QObject* parent = nullptr);

    AppSettings& settings() const { return services_.settings; }
    HotKeyManager& hotKeys() const { return services_.hotKeys; }
    platform::LoginItem& loginItem() const { return services_.loginItem; }
    platform::FileViewer& fileViewer() const { return services_.fileViewer; }
    platform::InstalledApplications& installedApplications() const { return services_.installedApplications; }
    platform::Workspace& workspace() const { return services_.workspace; }
    const std::filesystem::path& dataFolder() const { return services_.dataFolder; }
    const std::filesystem::path& mcpServer() const { return services_.mcpServer; }
    const std::string& ownApplicationID() const { return services_.ownApplicationID; }
    std::int32_t ownProcessID() const { return services_.ownProcessID; }
    const Format& format() const { return services_.format; }
    const ostrel::Clock& clock() const { return services_.clock; }
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
    const AIAvailability& aiAvailability() const { return aiAvailability_; }
    void setAIAvailability(const AIAvailability& availability);

  signals:
    void storageChanged();
    void maintenanceRunningChanged();
    void hotKeyConflictChanged();
    void permissionsChanged();
    void aiAvailabilityChanged();

  private:
    Services services_;
    ModelActions actions_;
    ostrel::StorageBreakdown storage_;
    bool maintenanceRunning_ = false;
    bool hotKeyConflict_ = false;
    bool screenPermission_ = true;
    bool accessibilityPermission_ = true;
    AIAvailability aiAvailability_;
};

} // namespace vesperline
