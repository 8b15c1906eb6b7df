#include "Platform/Linux/FreedesktopFileViewer.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>

namespace vesperline::platform {

namespace {

const QString fileManagerService = QStringLiteral("org.freedesktop.FileManager1");
const QString fileManagerPath = QStringLiteral("/org/freedesktop/FileManager1");

} // namespace

FreedesktopFileViewer::FreedesktopFileViewer(QDBusConnection bus, std::function<void(const QUrl&)> open,
                                             QObject* parent)
    : QObject(parent), bus_(std::move(bus)), open_(std::move(open)) {
    if (!open_) {
        open_ = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    }
}

void FreedesktopFileViewer::showFolder(const std::filesystem::path& folder) {
    const QUrl url = QUrl::fromLocalFile(QString::fromStdString(folder.string()));
    if (!bus_.isConnected()) {
        // Later, as an answer would come.
        QMetaObject::invokeMethod(
            this, [this, url] { open_(url); }, Qt::QueuedConnection);
        return;
    }
    QDBusMessage request =
        QDBusMessage::createMethodCall(fileManagerService, fileManagerPath, fileManagerService, "ShowItems");
    // The items, and a startup-notification id the file manager may use to come forward.
    request << QStringList{url.toString(QUrl::FullyEncoded)} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(request, answerTimeoutMilliseconds), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, url](QDBusPendingCallWatcher* answered) {
                answered->deleteLater();
                if (answered->isError()) {
                    open_(url);
                }
            });
}

} // namespace vesperline::platform
