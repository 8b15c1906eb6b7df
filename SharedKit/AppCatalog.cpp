#include "SharedKit/AppCatalog.h"

#include "Platform/ApplicationLauncher.h"
#include "Platform/InstalledApplications.h"
#include "SharedKit/ActionMenuItem.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>

namespace vesperline {

namespace {

// The pages of the catalog's applications are this address followed by their slug.
constexpr char siteAddress[] = "https://vesperline.org/apps/";
constexpr int menuIconSide = 16;

} // namespace

QString CatalogApp::tagline() const {
    if (slug == "vesperline") {
        return QCoreApplication::translate("SharedKit", "A private memory of your screen");
    }
    if (slug == "quillmark") {
        return QCoreApplication::translate("SharedKit", "Notes that link themselves");
    }
    if (slug == "tidewatch") {
        return QCoreApplication::translate("SharedKit", "Your day's rhythm at a glance");
    }
    if (slug == "lanternfish") {
        return QCoreApplication::translate("SharedKit", "Find any file by what it says");
    }
    return {};
}

QUrl CatalogApp::webPage() const {
    return QUrl(QString::fromLatin1(siteAddress) + QString::fromStdString(slug), QUrl::StrictMode);
}

namespace AppCatalog {

const std::vector<CatalogApp>& entries() {
    static const std::vector<CatalogApp> catalog{
        {"org.vesperline.Vesperline", "Vesperline", "vesperline"},
        {"org.vesperline.Quillmark", "Quillmark", "quillmark"},
        {"org.vesperline.Tidewatch", "Tidewatch", "tidewatch"},
        {"org.vesperline.Lanternfish", "Lanternfish", "lanternfish"},
    };
    return catalog;
}

std::vector<CatalogApp> others(const std::string& bundleID) {
    std::vector<CatalogApp> list;
    for (const CatalogApp& app : entries()) {
        if (app.id != bundleID) {
            list.push_back(app);
        }
    }
    return list;
}

std::string currentBundleID() {
    const QString desktopFile = QGuiApplication::desktopFileName();
    return desktopFile.isEmpty() ? std::string(fallbackBundleID) : desktopFile.toStdString();
}

std::optional<platform::InstalledApplication> installedLocation(const CatalogApp& app,
                                                                platform::InstalledApplications& installed) {
    return installed.application(app.id);
}

QIcon icon(const platform::InstalledApplication& application) {
    if (!application.icon) {
        return {};
    }
    const QString name = QString::fromStdString(*application.icon);
    if (QFileInfo(name).isAbsolute()) {
        return QFileInfo::exists(name) ? QIcon(name) : QIcon();
    }
    return QIcon::fromTheme(name);
}

void open(const CatalogApp& app, platform::InstalledApplications& installed,
          platform::ApplicationLauncher& launcher) {
    if (const auto location = installedLocation(app, installed)) {
        launcher.launch(*location);
    } else {
        QDesktopServices::openUrl(app.webPage());
    }
}

QMenu* moreAppsMenuItem(platform::InstalledApplications& installed, platform::ApplicationLauncher& launcher) {
    auto* menu = new QMenu(QCoreApplication::translate("SharedKit", "More Apps"));
    menu->setToolTipsVisible(true);
    for (const CatalogApp& app : others(currentBundleID())) {
        auto* item = new ActionMenuItem(
            QString::fromStdString(app.name), QKeySequence(),
            [app, &installed, &launcher] { open(app, installed, launcher); }, menu);
        item->setToolTip(app.tagline());
        item->setStatusTip(app.tagline());
        if (const auto location = installedLocation(app, installed)) {
            const QIcon appIcon = icon(*location);
            if (!appIcon.isNull()) {
                item->setIcon(QIcon(appIcon.pixmap(menuIconSide, menuIconSide)));
            }
        }
        menu->addAction(item);
    }
    return menu;
}

} // namespace AppCatalog

} // namespace vesperline
