#include "UI/Main/WindowManager.h"

#include "Model/AppModel.h"
#include "Platform/WindowActivation.h"
#include "Platform/WindowOcclusion.h"
#include "Runtime/AppIdentity.h"
#include "Runtime/Log.h"
#include "Runtime/WhenFinished.h"
#include "UI/Main/MainWindow.h"
#include "UI/Search/QuickSearchController.h"
#include "UI/Settings/ClientConfiguration.h"
#include "UI/Settings/SettingsWindow.h"
#include "UI/Shared/WindowPlacement.h"
#include "UI/Shared/WindowSurface.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace vesperline {

WindowManager::WindowManager(AppModel& model, Services services, QObject* parent)
    : AppWindows(parent), model_(model), services_(std::move(services)),
      analyzer_(model.recorder().ocr()), screens_{services_.applications, services_.fileViewer, analyzer_},
      settingsContext_(
          SettingsContext::Services{
              .settings = model.settings(),
              .hotKeys = model.hotKeys(),
              .loginItem = services_.loginItem,
              .fileViewer = services_.fileViewer,
              .installedApplications = services_.applications,
              .workspace = model.workspace(),
              .dataFolder = model.hub().dataDirectory(),
              .mcpServer =
                  ClientConfiguration::serverBeside(QCoreApplication::applicationDirPath().toStdString()),
              .ownApplicationID = appID,
              .format = model.format(),
              .clock = model.clock(),
          },
          SettingsContext::ModelActions{
              .refreshStats = [&model] { model.refreshStats(); },
              .runMaintenance = [&model] { model.runMaintenance(); },
              .allowAccessibility = [&model] { model.requestAccessibility(); },
              .refreshPermissions = [&model] { model.refreshPermissions(); },
              .showOnboarding = [this] { showOnboarding(true); },
              .deleteRange =
                  [&model](ostrel::Time from, ostrel::Time to, std::function<void()> done) {
                      model.deleteRange(from, to, std::move(done));
                  },
              .deleteRecent =
                  [&model](std::int64_t minutes, std::function<void()> done) {
                      model.deleteRecent(minutes, std::move(done));
                  },
              .eraseAll = [&model](std::function<void()> done) { model.eraseAll(std::move(done)); },
          }) {
    // Closing the last window does not end the application by itself (see `onMainWindowClosed`).
    QApplication::setQuitOnLastWindowClosed(false);
    followModelFigures();
    model_.setWindows(this);
}

WindowManager::~WindowManager() {
    if (mainWindow_) {
        mainWindowClosing();
    }
    delete mainWindow_;
    delete settingsWindow_;
    delete onboardingWindow_;
}

void WindowManager::followModelFigures() {
    SettingsContext& context = settingsContext_;
    const auto storage = [this] { settingsContext_.setStorage(model_.storage()); };
    const auto maintenance = [this] { settingsContext_.setMaintenanceRunning(model_.maintenanceRunning()); };
    const auto conflict = [this] { settingsContext_.setHotKeyConflict(model_.hotKeyConflict()); };
    const auto permissions = [this] {
        settingsContext_.setPermissions(model_.screenPermission(), model_.accessibilityPermission());
    };
    const auto availability = [this] { settingsContext_.setAIAvailability(model_.aiAvailability()); };
    storage();
    maintenance();
    conflict();
    permissions();
    availability();
    connect(&model_, &AppModel::storageChanged, &context, storage);
    connect(&model_, &AppModel::maintenanceRunningChanged, &context, maintenance);
    connect(&model_, &AppModel::hotKeyConflictChanged, &context, conflict);
    connect(&model_, &AppModel::screenPermissionChanged, &context, permissions);
    connect(&model_, &AppModel::accessibilityPermissionChanged, &context, permissions);
    connect(&model_, &AppModel::aiAvailabilityChanged, &context, availability);
}

// ---- Opening -------------------------------------------------------------------------------------

void WindowManager::whenUnlocked(std::function<void()> then) {
    model_.whenUnlocked(tr("open your screen memory"), this, std::move(then));
}

void WindowManager::bringForward(QWidget& window) {
    // A minimised window comes back as it was before, maximised or not.
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
    services_.activation.activate(window.winId());
}

void WindowManager::openMain() {
    whenUnlocked([this] {
        // Every picture kept so far becomes readable before the window shows the memory.
        model_.recorder().closeAllSegments();
        showMainWindow();
    });
}

void WindowManager::showMainWindow() {
    const bool made = !mainWindow_;
    if (made) {
        mainWindow_ = new MainWindow(model_, [this](AppModel::Section section, QWidget* parent) {
            return SectionScreens::make(section, model_, screens_, parent);
        });
        mainWindow_->setAttribute(Qt::WA_DeleteOnClose);
        mainWindow_->installEventFilter(this);
        const QByteArray frame = model_.settings().defaults().value(mainWindowFrameKey).toByteArray();
        if (frame.isEmpty() || !mainWindow_->restoreGeometry(frame)) {
            if (QScreen* screen = QApplication::primaryScreen()) {
                mainWindow_->move(screen->availableGeometry().center() - mainWindow_->rect().center());
            }
        }
        // A frame kept from a larger monitor, or a default larger than this one, is brought inside it;
        // once more when the window manager has framed it (`eventFilter`).
        WindowPlacement::fitToScreen(*mainWindow_);
        mainWindowFramed_ = false;
        connect(mainWindow_, &QObject::destroyed, this, [this] {
            // The closed window's pictures are no longer needed.
            QTimer::singleShot(0, this, [this] { model_.imageLoader().removeAll(); });
        });
        WindowSurface::of(*mainWindow_).setPixels(&services_.pixels);
    }
    bringForward(*mainWindow_);
    if (made) {
        followOnDesktop(*mainWindow_);
        // Its first expose tells when the first frame is drawn (`eventFilter`).
        mainWindow_->windowHandle()->installEventFilter(this);
    }
}

void WindowManager::followOnDesktop(MainWindow& window) {
    WindowSurface& surface = WindowSurface::of(window);
    const std::uintptr_t id = window.winId();
    services_.occlusion.follow(id, [surface = QPointer(&surface)](bool covered) {
        if (surface) {
            surface->setCovered(covered);
        }
    });
    connect(&window, &QObject::destroyed, this, [this, id] { services_.occlusion.forget(id); });
}

void WindowManager::openSettings() {
    openSettingsAt(std::nullopt);
}

void WindowManager::openSettings(SettingsTab tab) {
    openSettingsAt(tab);
}

void WindowManager::openSettingsAt(std::optional<SettingsTab> tab) {
    whenUnlocked([this, tab] { showSettingsWindow(tab); });
}

void WindowManager::showSettingsWindow(std::optional<SettingsTab> tab) {
    if (tab) {
        settingsSelection_.setTab(*tab);
    }
    if (!settingsWindow_) {
        // The window lets itself go when it is closed.
        settingsWindow_ = new SettingsWindow(settingsContext_, settingsSelection_);
    }
    bringForward(*settingsWindow_);
}

void WindowManager::showOnboarding(bool restart) {
    if (!services_.onboarding) {
        qCWarning(Log::app(), "The first-run tour cannot be shown: this build has none");
        return;
    }
    if (!onboardingWindow_) {
        if (restart) {
            try {
                model_.settings().defaults().setValue(onboardingStepKey, qlonglong(0));
            } catch (const platform::SettingsStoreError& error) {
                qCWarning(Log::app(), "Starting the tour at its first page failed: %s", error.what());
            }
        }
        onboardingWindow_ = services_.onboarding([self = QPointer<WindowManager>(this)] {
            if (self) {
                self->finishOnboarding();
            }
        });
        onboardingWindow_->setAttribute(Qt::WA_DeleteOnClose);
    }
    bringForward(*onboardingWindow_);
}

void WindowManager::finishOnboarding() {
    model_.settings().setOnboardingCompleted(true);
    model_.refreshPermissions();
    // Recording may start now that the user has been through the tour.
    model_.recorder().setBlock(Recorder::Block::stopped, false);
    if (onboardingWindow_) {
        onboardingWindow_->close();
    }
}

QuickSearchController& WindowManager::quickSearch() {
    if (!quickSearch_) {
        QuickSearchController::Services services = QuickSearchController::services(
            model_.hub(),
            QuickSearchController::Actions{
                .recordFind = [this] { model_.recordFind(); },
                .openTimeline = [this](std::int64_t frameID,
                                       ostrel::Time at) { model_.openTimeline(frameID, at); },
            },
            services_.activation, model_.imageLoader(), services_.applications);
        quickSearch_ = std::make_unique<QuickSearchController>(QuickSearchController::Services{
            .hub = services.hub,
            .actions = std::move(services.actions),
            .activation = services.activation,
            .applications = services.applications,
            .thumbnails = std::move(services.thumbnails),
            .pictures = std::move(services.pictures),
            .format = model_.format(),
            .clock = model_.clock(),
        });
    }
    return *quickSearch_;
}

void WindowManager::toggleQuickSearch() {
    if (quickSearch().isVisible()) {
        quickSearch().hide();
        return;
    }
    whenUnlocked([this] {
        model_.recorder().closeAllSegments();
        quickSearch().show();
    });
}

void WindowManager::hideQuickSearch() {
    if (quickSearch_) {
        quickSearch_->hide();
    }
}

// ---- Closing -------------------------------------------------------------------------------------

bool WindowManager::eventFilter(QObject* watched, QEvent* event) {
    if (mainWindow_ && watched == mainWindow_->windowHandle() && event->type() == QEvent::Expose &&
        mainWindow_->windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        // The window draws its frame while it handles this event; what waits for the frame comes after.
        QTimer::singleShot(0, this, [this] {
            if (onMainWindowDrawn) {
                onMainWindowDrawn();
            }
        });
    }
    if (watched == mainWindow_ && event->type() == QEvent::Move && !mainWindowFramed_ &&
        mainWindow_->frameGeometry() != mainWindow_->geometry()) {
        // Only the first time: a window the user moves partly off the screen stays there.
        mainWindowFramed_ = true;
        WindowPlacement::fitToScreen(*mainWindow_);
    }
    if (watched == mainWindow_ && event->type() == QEvent::Close) {
        mainWindowClosing();
        if (onMainWindowClosed) {
            onMainWindowClosed();
        }
    }
    return AppWindows::eventFilter(watched, event);
}

void WindowManager::mainWindowClosing() {
    try {
        model_.settings().defaults().setValue(mainWindowFrameKey, mainWindow_->saveGeometry());
    } catch (const platform::SettingsStoreError& error) {
        qCWarning(Log::app(), "Keeping the main window's place failed: %s", error.what());
    }
}

} // namespace vesperline
