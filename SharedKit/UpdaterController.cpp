#include "SharedKit/UpdaterController.h"

#include "SharedKit/AppInfo.h"

namespace vesperline {

bool UpdaterController::isConfigured() const {
    return AppInfo::infoString(&BuildInfo::updatePublicKey, info_).has_value() &&
           AppInfo::infoString(&BuildInfo::updateFeedURL, info_).has_value();
}

} // namespace vesperline
