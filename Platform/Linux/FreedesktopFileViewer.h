#pragma once

#include "Platform/FileViewer.h"

#include <QDBusConnection>
#include <QObject>
#include <QUrl>

#include <functional>

namespace vesperline::platform {

// The file manager through the freedesktop.org file-manager interface on the session bus
// (org.freedesktop.FileManager1, ShowItems), which the usual file managers serve. Nothing waits for
// the bus: when the call fails (no file manager serves it, or it does not answer in time), the folder
// is opened with the desktop's handler for folders instead. Use it on the thread that created it.
class FreedesktopFileViewer final : public QObject, public FileViewer {
    Q_OBJECT

  public:
    static constexpr int answerTimeoutMilliseconds = 5000;

    // `open` opens a folder's address with the desktop's handler (by default QDesktopServices).
    explicit FreedesktopFileViewer(QDBusConnection bus = QDBusConnection::sessionBus(),
                                   std::function<void(const QUrl&)> open = {}, QObject* parent = nullptr);

    void showFolder(const std::filesystem::path& folder) override;

  private:
    QDBusConnection bus_;
    std::function<void(const QUrl&)> open_;
};

} // namespace vesperline::platform
