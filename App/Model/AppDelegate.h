#pragma once

#include "Model/AppCommands.h"
#include "Model/AppModel.h"
#include "Model/AppWindows.h"
#include "Model/DatabaseAlert.h"
#include "Platform/SettingsStore.h"

#include <QObject>

#include <chrono>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>

namespace vesperline {

// The application's three long-lived roots and its life: the store, the settings and the app model
// are made at creation; when launching finishes, a database that could not be opened is recovered
// (or the app ends), the window manager and the status item are made (the status item after the
// main window's first frame when that window opens at launch), the model starts and the first window
// opens; at the end the tracker, the recorder and the resource monitor are drained.
// Main thread only.
class AppDelegate final : public QObject {
    Q_OBJECT

  public:
    // The longest the model's background work and the status item wait for the main window's first
    // frame (which the app lock's prompt, for one, holds back).
    static constexpr std::chrono::milliseconds backgroundWorkWait{2000};

    struct Environment {
        // The data folder, read once by the program.
        std::filesystem::path dataDirectory;
        // Where the settings live.
        std::shared_ptr<platform::SettingsStore> defaults;
        AppModel::Services services;
        // Asks what to do about a database that cannot be opened or is damaged.
        DatabaseAlert& alert;
        // The login autostart entry started this process: no window opens at launch.
        bool launchedAsLoginItem = false;
        // Make the window manager and the status item over the started model's services; either may
        // make nothing.
        std::function<std::unique_ptr<AppWindows>(AppModel&)> makeWindows;
        std::function<std::unique_ptr<QObject>(AppModel&)> makeStatusItem;
        // The desktop shows tray icons. Without a tray the main window is the only way in, so it
        // opens at every launch and once the first-run tour is done, and closing it quits the app.
        bool trayAvailable = true;
    };

    // Opens the store and creates the settings and the model; a store that cannot be opened is kept
    // as `startupError` for the launch to deal with. Nothing starts.
    explicit AppDelegate(Environment environment, QObject* parent = nullptr);
    ~AppDelegate() override;

    AppModel* model() const { return model_.get(); }
    const std::exception_ptr& startupError() const { return startupError_; }
    AppWindows* windowManager() const { return windowManager_.get(); }
    QObject* statusItem() const { return statusItem_.get(); }
    const AppCommands& commands() const { return commands_; }

    // Recovers the store if needed, makes the window manager and the status item, starts the model
    // and opens the first window: the tour until it was completed, else the main window unless the
    // login autostart entry started the app and a tray icon is there to lead back. When the main
    // window opens, the status item and the model's background work (which loads the back-ends) wait
    // for its first frame, or at most `backgroundWorkWait`. False when the user chose to quit:
    // nothing was made then and the application should end.
    bool applicationDidFinishLaunching();
    // The app ends: tracking ends its span, the recorder finishes its open segments and writes its
    // counts, the resource monitor takes its last sample; each is waited for. Once only.
    void applicationWillTerminate();
    // The app was started again while it runs: the tour until it was completed, else the main window.
    bool applicationShouldHandleReopen();

    // The launch-time loop: while the store does not open, asks; sets a damaged file aside and tries
    // a new store, or tries again, until a store opens (its model is returned) or the user quits
    // (none). A failed attempt is logged and asked about again, with no limit.
    std::unique_ptr<AppModel> recoverFromStartupError();
    // Shows the database alert; true when the user chose the first button.
    bool presentDatabaseAlert(bool damaged, const QString& message);

  private:
    std::unique_ptr<AppModel> makeModel(std::unique_ptr<StoreHub> hub);
    // Opens the main window once the current event is handled.
    void openMainSoon();
    // Makes the status item, once.
    void makeStatusItem();
    // Makes the status item and starts the model's background work after the main window's first
    // frame, or after `backgroundWorkWait` when none comes before.
    void finishLaunchingAfterFirstFrame();
    // Ends the application through its normal quit (the model's, once there is one).
    void quit();

    Environment environment_;
    std::exception_ptr startupError_;
    std::unique_ptr<AppModel> model_;
    std::unique_ptr<AppWindows> windowManager_;
    std::unique_ptr<QObject> statusItem_;
    AppCommands commands_;
    bool terminated_ = false;
};

} // namespace vesperline
