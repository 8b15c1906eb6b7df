#pragma once

#include "Model/AppWindows.h"
#include "UI/Main/MainWindow.h"
#include "UI/Main/SectionScreens.h"
#include "UI/Moment/LiveTextAnalyzer.h"
#include "UI/Onboarding/OnboardingController.h"
#include "UI/Settings/SettingsContext.h"
#include "UI/Settings/SettingsSelection.h"
#include "UI/Settings/SettingsTab.h"
#include "UI/Settings/SettingsWindow.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace vesperline {

class AppModel;
class QuickSearchController;

namespace platform {
class FileViewer;
class InstalledApplications;
class LoginItem;
class WindowActivation;
class WindowOcclusion;
class WindowPixels;
} // namespace platform

// The application's windows: the main window, the settings window and the first-run tour, and the
// quick-search panel's controller. Windows that show the memory open only after the app lock, when
// it is on, has let them, and only after the recorder was asked to finish its open video segments,
// so every kept picture can be shown. A window that is open already is brought forward rather than
// built again; a closed one is let go with everything it showed, and the next opening builds it
// anew (the main window where it was left: its frame is kept in the settings store under
// `mainWindowFrameKey`). Closing the last window does not end the application by itself: it goes on
// in its tray, and where there is no tray the program quits when the main window is closed
// (`onMainWindowClosed`).
//
// One instance lives from the end of the start-up to the end of the process, on the main thread;
// the program creates it with the model and the desktop services below, and it registers itself as
// the model's windows (`AppModel::setWindows`).
class WindowManager final : public AppWindows {
    Q_OBJECT

  public:
    // Builds the first-run tour's window; the tour calls `finish` when the user completes it.
    using OnboardingFactory = std::function<QWidget*(std::function<void()> finish)>;

    // The desktop services the windows use; each must outlive the window manager.
    struct Services {
        platform::InstalledApplications& applications;
        // Brings a window forward with the keyboard over another program's.
        platform::WindowActivation& activation;
        platform::FileViewer& fileViewer;
        platform::LoginItem& loginItem;
        // Tell when the main window is covered, and put its small animations straight onto it.
        platform::WindowOcclusion& occlusion;
        platform::WindowPixels& pixels;
        // The tour (its window type lives with the tour); without it no tour is shown.
        OnboardingFactory onboarding;
    };

    // The settings store key of the main window's frame.
    static constexpr char mainWindowFrameKey[] = "OstrelMainWindow";
    // The settings store key of the page the first-run tour shows.
    static constexpr const char* onboardingStepKey = OnboardingController::stepKey;

    // The model must outlive the window manager. Creates no window; the application no longer quits
    // when its last window closes.
    WindowManager(AppModel& model, Services services, QObject* parent = nullptr);
    ~WindowManager() override;

    // ---- Opening ---------------------------------------------------------------------------------
    // After the app lock (when it is on) lets it: finishes the open segments and shows the main window.
    // A refused or cancelled unlock changes nothing.
    void openMain() override;
    // The main window, built when there is none, brought forward; no lock of its own.
    void showMainWindow();
    // After the app lock (when it is on) lets it: shows the settings window at the tab it showed last,
    // or at `tab`.
    void openSettings() override;
    void openSettings(SettingsTab tab);
    // The settings window, built when there is none, brought forward at `tab` (none keeps the tab).
    void showSettingsWindow(std::optional<SettingsTab> tab = std::nullopt);
    // The first-run tour, never behind the lock. `restart` starts a tour that is not open at its first
    // page; an open tour stays at its page.
    void showOnboarding(bool restart) override;
    // Hides the quick-search panel when it is shown; otherwise, after the app lock (when it is on),
    // finishes the open segments and shows it.
    void toggleQuickSearch() override;
    void hideQuickSearch() override;

    // ---- What is open ------------------------------------------------------------------------------
    // Null while the window does not exist.
    MainWindow* mainWindow() const { return mainWindow_; }
    SettingsWindow* settingsWindow() const { return settingsWindow_; }
    QWidget* onboardingWindow() const { return onboardingWindow_; }
    // The quick-search controller, made on first use and kept; its search is its own.
    QuickSearchController& quickSearch();
    SettingsSelection& settingsSelection() { return settingsSelection_; }
    SettingsContext& settingsContext() { return settingsContext_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Calls `then` once the memory may be shown: at once while the lock is off, else after the lock's
    // answer, and only when it is yes.
    void whenUnlocked(std::function<void()> then);
    void openSettingsAt(std::optional<SettingsTab> tab);
    // Shows `window` in front with the keyboard.
    void bringForward(QWidget& window);
    void mainWindowClosing();
    // Tells the main window's surface (WindowSurface) when the desktop covers it, from its first
    // showing until it goes.
    void followOnDesktop(MainWindow& window);
    void followModelFigures();
    void finishOnboarding();

    AppModel& model_;
    Services services_;
    LiveTextAnalyzer analyzer_;
    SectionScreens::Services screens_;
    SettingsSelection settingsSelection_;
    SettingsContext settingsContext_;
    std::unique_ptr<QuickSearchController> quickSearch_;
    QPointer<MainWindow> mainWindow_;
    // The main window was fitted to its screen with its frame known.
    bool mainWindowFramed_ = false;
    QPointer<SettingsWindow> settingsWindow_;
    QPointer<QWidget> onboardingWindow_;
};

} // namespace vesperline
