#include "SharedKit/AboutWindowController.h"

#include "SharedKit/AboutView.h"
#include "SharedKit/AppInfo.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

namespace vesperline {

AboutWindowController::AboutWindowController(platform::InstalledApplications& installed,
                                             platform::ApplicationLauncher& launcher, BuildInfo info,
                                             QObject* parent)
    : QObject(parent), installed_(installed), launcher_(launcher), info_(std::move(info)) {}

AboutWindowController::~AboutWindowController() = default;

void AboutWindowController::show() {
    if (!window_) {
        auto view = std::make_unique<AboutView>(installed_, launcher_, info_);
        view->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                             Qt::WindowCloseButtonHint);
        view->setWindowTitle(QCoreApplication::translate("SharedKit", "About %1").arg(AppInfo::name(info_)));
        const int height =
            view->hasHeightForWidth() ? view->heightForWidth(AboutView::width) : view->sizeHint().height();
        view->setFixedSize(AboutView::width, std::max(height, view->minimumSizeHint().height()));
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            view->move(screen->availableGeometry().center() - view->rect().center());
        }
        window_ = std::move(view);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

} // namespace vesperline
