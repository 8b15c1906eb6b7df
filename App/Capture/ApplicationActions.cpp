#include "Capture/ApplicationActions.h"

#include "Runtime/MainThread.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace vesperline {

void openURLString(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative()) {
        return;
    }
    QDesktopServices::openUrl(url);
}

void relaunchApp(const std::function<bool()>& launch) {
    if (launch) {
        launch();
    } else {
        QStringList arguments = QCoreApplication::arguments();
        if (!arguments.isEmpty()) {
            arguments.removeFirst();
        }
        QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments);
    }
    terminateOnMain();
}

void terminateOnMain() {
    if (QCoreApplication::instance()) {
        MainThread::post([] { QCoreApplication::quit(); });
    }
}

} // namespace vesperline
