#pragma once

#include <cstdint>
#include <set>
#include <string>

namespace vesperline::platform {

// What a display stream leaves out of its pictures: the windows of these applications and of these
// processes are blanked before a picture leaves the platform layer.
struct DisplayFilter {
    // Application ids as `RunningApplication::bundleID` gives them.
    std::set<std::string> excludedApplications;
    std::set<std::int32_t> excludedProcesses;

    bool operator==(const DisplayFilter&) const = default;
};

} // namespace vesperline::platform
