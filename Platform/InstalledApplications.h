#pragma once

#include "Platform/InstalledApplication.h"

#include <optional>
#include <string>
#include <vector>

namespace vesperline::platform {

// The applications installed on this computer.
class InstalledApplications {
  public:
    virtual ~InstalledApplications() = default;
    // The installed application with this application id (a desktop-file id, or the window class or
    // executable name an application is known by when it names no desktop file); absent when none is
    // installed. Any thread.
    virtual std::optional<InstalledApplication> application(const std::string& applicationID) = 0;
    // Every installed application that the desktop's menus list, by name (letter case aside), then
    // by id. Any thread.
    virtual std::vector<InstalledApplication> listedApplications() = 0;
};

} // namespace vesperline::platform
