#pragma once

#include <optional>
#include <string>

namespace ostrel {

// The title every list shows: the window title when present and not empty; else the app name when
// present (even empty); else the bundle identifier; else nothing.
inline std::string displayTitle(const std::optional<std::string>& windowTitle,
                                const std::optional<std::string>& appName,
                                const std::optional<std::string>& appBundleID) {
    if (windowTitle && !windowTitle->empty()) {
        return *windowTitle;
    }
    if (appName) {
        return *appName;
    }
    return appBundleID.value_or("");
}

} // namespace ostrel
