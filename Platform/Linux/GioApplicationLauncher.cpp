#include "Platform/Linux/GioApplicationLauncher.h"

#include <QProcess>

namespace vesperline::platform {

void GioApplicationLauncher::launch(const InstalledApplication& application) {
    // The file is one argument of its own: no shell takes part, so any path is safe.
    QProcess::startDetached(QStringLiteral("gio"),
                            {QStringLiteral("launch"), QString::fromStdString(application.desktopFile)});
}

} // namespace vesperline::platform
