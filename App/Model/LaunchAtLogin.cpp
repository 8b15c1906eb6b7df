#include "Model/LaunchAtLogin.h"

#include "Platform/LoginItem.h"
#include "Runtime/Log.h"

namespace vesperline {

void setLaunchAtLogin(platform::LoginItem& loginItem, bool enabled) {
    try {
        if (loginItem.isEnabled() != enabled) {
            loginItem.setEnabled(enabled);
        }
    } catch (const std::exception& error) {
        qCCritical(Log::app, "Login item change failed: %s", error.what());
    }
}

} // namespace vesperline
