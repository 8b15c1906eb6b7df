#include "Model/AppDelegate.h"

#include "Runtime/FailureDescription.h"
#include "Runtime/Log.h"
#include "Runtime/MainThread.h"
#include "Store/DatabaseOpenFailure.h"

#include <QCoreApplication>
#include <QTimer>

namespace vesperline {

AppDelegate::AppDelegate(Environment environment, QObject* parent)
    : QObject(parent), environment_(std::move(environment)),
      commands_([this]() -> AppWindows* { return model_ ? windowManager_.get() : nullptr; },
                [this] { quit(); }) {
    try {
        model_ =
            makeModel(std::make_unique<StoreHub>(environment_.dataDirectory, environment_.services.clock));
    } catch (...) {
        startupError_ = std::current_exception();
    }
}

AppDelegate::~AppDelegate() {
    // The windows and the status item use the model; they go first.
    statusItem_.reset();
    windowManager_.reset();
    model_.reset();
}

std::unique_ptr<AppModel> AppDelegate::makeModel(std::unique_ptr<StoreHub> hub) {
    auto settings = std::make_unique<AppSettings>(environment_.defaults);
    return std::make_unique<AppModel>(std::move(hub), std::move(settings), environment_.services);
}

bool AppDelegate::applicationDidFinishLaunching() {
    if (!model_) {
        model_ = recoverFromStartupError();
        if (!model_) {
            return false;
        }
    }
    model_->presentDatabaseAlert = [this](bool damaged, const QString& message) {
        return presentDatabaseAlert(damaged, message);
    };
    model_->tellDatabaseRebuilt = [this] { environment_.alert.presentRebuilt(); };
    if (environment_.makeWindows) {
        windowManager_ = environment_.makeWindows(*model_);
    }
    model_->setWindows(windowManager_.get());
    const bool opensMain = windowManager_ && model_->settings().onboardingCompleted() &&
                           (!environment_.launchedAsLoginItem || !environment_.trayAvailable);
    if (!opensMain) {
        makeStatusItem();
    }
    model_->start(opensMain ? AppModel::BackgroundWork::whenAsked : AppModel::BackgroundWork::now);

    if (!windowManager_) {
        return true;
    }
    if (!environment_.trayAvailable) {
        connect(&model_->settings(), &AppSettings::onboardingCompletedChanged, this, [this] {
            if (model_->settings().onboardingCompleted()) {
                openMainSoon();
            }
        });
        // Nothing else on screen would tell that it records on: closing the way in ends the app.
        windowManager_->onMainWindowClosed = [this] { quit(); };
    }
    if (!model_->settings().onboardingCompleted()) {
        windowManager_->showOnboarding(false);
    } else if (opensMain) {
        finishLaunchingAfterFirstFrame();
        openMainSoon();
    }
    return true;
}

void AppDelegate::makeStatusItem() {
    if (environment_.makeStatusItem && !statusItem_) {
        statusItem_ = environment_.makeStatusItem(*model_);
    }
}

void AppDelegate::finishLaunchingAfterFirstFrame() {
    // Loading the back-ends would compete with building and drawing the window for the processor and
    // the dynamic loader; drawing the tray's glyph and asking the tray for room would hold it back.
    const auto finish = [this] {
        makeStatusItem();
        model_->startBackgroundWork();
    };
    windowManager_->onMainWindowDrawn = finish;
    QTimer::singleShot(backgroundWorkWait, this, finish);
}

void AppDelegate::quit() {
    if (model_) {
        model_->quitApplication();
    } else {
        QCoreApplication::quit();
    }
}

void AppDelegate::openMainSoon() {
    MainThread::post(this, [this] {
        if (windowManager_) {
            windowManager_->openMain();
        }
    });
}

std::unique_ptr<AppModel> AppDelegate::recoverFromStartupError() {
    std::exception_ptr error = startupError_;
    while (error) {
        const bool damaged = StoreHub::isDamage(error);
        const QString message = damaged ? QString::fromStdString(describeFailure(error))
                                        : DatabaseOpenFailure::describe(environment_.dataDirectory, error);
        if (!presentDatabaseAlert(damaged, message)) {
            return nullptr;
        }
        try {
            if (damaged) {
                StoreHub::quarantineDamagedFile(environment_.dataDirectory,
                                                environment_.services.clock.now());
            }
            return makeModel(
                std::make_unique<StoreHub>(environment_.dataDirectory, environment_.services.clock));
        } catch (...) {
            error = std::current_exception();
            qCCritical(Log::storage(), "Database reopen failed: %s", describeFailure(error).c_str());
        }
    }
    return nullptr;
}

bool AppDelegate::presentDatabaseAlert(bool damaged, const QString& message) {
    return environment_.alert.present(damaged, message);
}

void AppDelegate::applicationWillTerminate() {
    if (!model_ || terminated_) {
        return;
    }
    terminated_ = true;
    model_->tracker().setEnabled(false);
    model_->recorder().shutdown();
    model_->resources().finalSample();
}

bool AppDelegate::applicationShouldHandleReopen() {
    if (model_ && !model_->settings().onboardingCompleted()) {
        if (windowManager_) {
            windowManager_->showOnboarding(false);
        }
    } else {
        openMainSoon();
    }
    return true;
}

} // namespace vesperline
