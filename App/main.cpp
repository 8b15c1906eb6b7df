// The application's entry: the checks that need no Qt (an X11 display), the one-instance rule, the
// Linux implementations of the platform layer, the delegate's launch, the event loop, and the same
// drain for every way of ending (a quit from the app or SIGTERM, SIGINT or SIGHUP).
#include "Model/AppDelegate.h"
#include "Model/DatabaseAlertBox.h"
#include "Model/StatusItemController.h"
#include "Platform/Linux/AtspiAccessibility.h"
#include "Platform/Linux/BackendModule.h"
#include "Platform/Linux/DesktopFileApplications.h"
#include "Platform/Linux/FileSettingsStore.h"
#include "Platform/Linux/FreedesktopFileViewer.h"
#include "Platform/Linux/LazyLanguageModel.h"
#include "Platform/Linux/LazyTextRecognizer.h"
#include "Platform/Linux/LazyVideoFiles.h"
#include "Platform/Linux/LinuxPowerSource.h"
#include "Platform/Linux/LinuxProcessResources.h"
#include "Platform/Linux/LinuxSystemEvents.h"
#include "Platform/Linux/PamPasswordCheck.h"
#include "Platform/Linux/X11Connection.h"
#include "Platform/Linux/X11DisplayCapture.h"
#include "Platform/Linux/X11Displays.h"
#include "Platform/Linux/X11GlobalShortcut.h"
#include "Platform/Linux/X11UserIdle.h"
#include "Platform/Linux/X11WindowActivation.h"
#include "Platform/Linux/X11WindowOcclusion.h"
#include "Platform/Linux/X11WindowPixels.h"
#include "Platform/Linux/X11WindowServer.h"
#include "Platform/Linux/X11Workspace.h"
#include "Platform/Linux/XdgAutostartLoginItem.h"
#include "Runtime/AppIdentity.h"
#include "Runtime/Log.h"
#include "Runtime/SingleInstance.h"
#include "Runtime/TerminationSignals.h"
#include "SharedKit/AppInfo.h"
#include "Storage/OstrelPaths.h"
#include "UI/AppLock/PasswordDialog.h"
#include "UI/Main/WindowManager.h"
#include "UI/MenuBar/MenuBarView.h"
#include "UI/Onboarding/OnboardingWindow.h"

#include <QApplication>
#include <QIcon>
#include <QSystemTrayIcon>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include <xcb/xcb.h>

namespace {

using namespace vesperline;

// The Linux side of every platform service the model uses, made once for the process.
struct LinuxPlatform {
    // Video files, text recognition and the language model, loaded on first use: the program starts
    // without their libraries.
    platform::BackendModule backends{
        platform::BackendModule::besideExecutable(),
        {
            // What the text recognition engine prints are traces of our own recognition.
            .recognitionMessages =
                [](std::string_view line) {
                    qCDebug(Log::ocr, "%.*s", static_cast<int>(line.size()), line.data());
                },
            .loadFailed =
                [](const std::string& reason) {
                    qCWarning(Log::app,
                              "Video files, text recognition and the language model cannot be used: %s",
                              reason.c_str());
                },
        }};
    std::shared_ptr<platform::X11Connection> x11 = platform::X11Connection::open();
    platform::X11Displays displays{x11};
    platform::X11WindowServer windowServer{x11};
    // What the windows use, and the names of running applications.
    platform::DesktopFileApplications applications;
    platform::X11Workspace workspace{x11, applications};
    platform::X11DisplayCapture capture{workspace};
    platform::AtspiAccessibility accessibility;
    platform::LazyTextRecognizer recognizer{backends};
    platform::X11UserIdle userIdle{x11};
    platform::LazyVideoFiles videoFiles{backends};
    platform::LinuxPowerSource powerSource;
    platform::LinuxProcessResources processResources;
    platform::LinuxSystemEvents systemEvents;
    platform::X11GlobalShortcut shortcut;
    platform::PamPasswordCheck passwordCheck;
    platform::LazyLanguageModel languageModel{backends};
    // What the windows use.
    platform::X11WindowActivation activation;
    platform::X11WindowOcclusion occlusion;
    platform::X11WindowPixels pixels;
    platform::FreedesktopFileViewer fileViewer;
    // The autostart entry starts this very program, marked as a login start.
    platform::XdgAutostartLoginItem loginItem{platform::XdgAutostartLoginItem::standardFolders(),
                                              QString::fromLatin1(appID),
                                              AppInfo::name(),
                                              QCoreApplication::applicationFilePath(),
                                              {QString::fromLatin1(AppInfo::loginItemArgument)}};

    AppModel::Services services() {
        return AppModel::Services{
            .capture = capture,
            .displays = displays,
            .windowServer = windowServer,
            .workspace = workspace,
            .accessibility = accessibility,
            .recognizer = recognizer,
            .userIdle = userIdle,
            .videoFiles = videoFiles,
            .powerSource = powerSource,
            .processResources = processResources,
            .systemEventSource = systemEvents,
            .shortcut = shortcut,
            .passwordCheck = passwordCheck,
            .languageModel = languageModel,
            .passwordPrompt = [] { return std::make_unique<PasswordDialog>(); },
        };
    }

    // The tray's item; its popover's "Quit" ends the app through the same drain as a signal.
    std::unique_ptr<QObject> makeStatusItem(AppModel& model) {
        const MenuBarController::Services actions{
            .deleteRange =
                [&model](ostrel::Time from, ostrel::Time to, std::function<void()> done) {
                    model.deleteRange(from, to, std::move(done));
                },
            .quit = [] { QApplication::quit(); },
        };
        return std::make_unique<StatusItemController>(
            model, MenuBarView::contentFactory(model, MenuBarView::Services{actions, applications}));
    }

    std::unique_ptr<AppWindows> makeWindows(AppModel& model, bool trayAvailable) {
        return std::make_unique<WindowManager>(
            model, WindowManager::Services{applications, activation, fileViewer, loginItem, occlusion, pixels,
                                           OnboardingWindow::factory(model, {capture, accessibility,
                                                                             applications, trayAvailable})});
    }
};

// Why the application cannot show itself here, or nothing when an X11 display can be opened. Qt would
// abort on its own without a display; this says it in one line first.
std::optional<std::string> missingDisplay() {
    const QByteArray platformName = qgetenv("QT_QPA_PLATFORM");
    if (!platformName.isEmpty() && platformName != "xcb") {
        return std::nullopt; // another Qt platform was asked for on purpose
    }
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        return "Vesperline needs an X11 display, and DISPLAY is not set.";
    }
    xcb_connection_t* connection = xcb_connect(display.constData(), nullptr);
    const bool failed = xcb_connection_has_error(connection) != 0;
    xcb_disconnect(connection);
    if (failed) {
        return "Vesperline needs an X11 display, and " + display.toStdString() + " cannot be opened.";
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    // Capture, windows and the hot key speak X11, so the application's own windows do too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    if (const std::optional<std::string> reason = missingDisplay()) {
        std::fprintf(stderr, "%s\n", reason->c_str());
        return 1;
    }

    QApplication::setDesktopFileName(QString::fromLatin1(appID));
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(AppIcon);
    // The name is set once, and no display name: Qt appends a display name to every window title
    // ("Vesperline Settings — Vesperline"), while the titles name the app themselves. Where a display
    // name is asked for, the application's name stands in.
    QApplication::setApplicationName(QStringLiteral("Vesperline"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vesperline/org.vesperline.Vesperline.svg")));
    // Closing the last window does not end the app by itself: it lives on in the tray, and without a
    // tray the delegate quits when the main window is closed.
    QApplication::setQuitOnLastWindowClosed(false);

    const std::filesystem::path dataDirectory = ostrel::OstrelPaths::rootDirectory();
    SingleInstance instance(SingleInstance::keyFor(dataDirectory));
    switch (instance.claim()) {
    case SingleInstance::Claim::primary:
        break;
    case SingleInstance::Claim::shownOther:
        return 0;
    case SingleInstance::Claim::unanswered:
        std::fprintf(stderr, "Vesperline is already running for %s and does not answer.\n",
                     dataDirectory.c_str());
        return 1;
    }
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::received, &app, [] { QApplication::quit(); });

    int status = 0;
    {
        LinuxPlatform platformLayer;
        DatabaseAlertBox alert;
        const bool trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
        AppDelegate delegate(AppDelegate::Environment{
            .dataDirectory = dataDirectory,
            .defaults =
                std::make_shared<platform::FileSettingsStore>(platform::FileSettingsStore::standardPath()),
            .services = platformLayer.services(),
            .alert = alert,
            .launchedAsLoginItem = AppInfo::launchedAsLoginItem(),
            .makeWindows = [&platformLayer, trayAvailable](
                               AppModel& model) { return platformLayer.makeWindows(model, trayAvailable); },
            .makeStatusItem =
                [&platformLayer](AppModel& model) { return platformLayer.makeStatusItem(model); },
            .trayAvailable = trayAvailable,
        });
        QObject::connect(&instance, &SingleInstance::showRequested, &delegate,
                         [&delegate] { delegate.applicationShouldHandleReopen(); });
        if (!delegate.applicationDidFinishLaunching()) {
            return 0;
        }
        status = QApplication::exec();
        // A launch from now on waits for this one to finish writing.
        instance.beginQuitting();
        delegate.applicationWillTerminate();
    }
    instance.release();
    return status;
}
