#include "UI/Moment/MomentActions.h"

#include <QDesktopServices>

namespace vesperline {

void MomentActions::openWithDesktop(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

} // namespace vesperline
