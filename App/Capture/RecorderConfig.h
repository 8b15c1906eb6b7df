#pragma once

#include "Rules/CaptureMode.h"
#include "Rules/PrivacyRules.h"
#include "Rules/ProjectRule.h"
#include "Store/ImageQuality.h"

#include <set>
#include <string>
#include <vector>

namespace vesperline {

// What the recorder is told by the user's settings. A default value is what a new recorder starts
// with: balanced capture of the frontmost display, private windows skipped, password managers
// excluded.
struct RecorderConfig {
    ostrel::CaptureMode mode = ostrel::CaptureMode::balanced;
    // Every display is captured, not only the one holding the frontmost window.
    bool allDisplays = false;
    bool textOnly = false;
    bool ocrOnBattery = false;
    // Application ids never recorded, and blanked where their windows show.
    std::set<std::string> excludedApps = defaultExcludedApps();
    std::vector<std::string> excludedSites;
    bool skipPrivateWindows = true;
    std::vector<ostrel::ProjectRule> projectRules;
    ImageQuality imageQuality = ImageQuality::balanced;

    static std::set<std::string> defaultExcludedApps() {
        const std::vector<std::string>& managers = ostrel::PrivacyRules::passwordManagers();
        return {managers.begin(), managers.end()};
    }

    bool operator==(const RecorderConfig&) const = default;
};

} // namespace vesperline
