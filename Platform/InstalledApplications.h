#pragma once

#include "Platform/InstalledApplication.h"

#include <optional>
#include <string>

namespace vesperline::platform {

// The applications installed on this computer.
class InstalledApplications {
  public:
    virtual ~InstalledApplications() = default;
    // The installed application with this application id (a desktop-file id, or the window class or
    // executable name an application is known by when it names no desktop file); absent when none is
    // installed. Any thread.
    virtual std::optional<InstalledApplication> application(const std::string& applicationID) = 0;
};

} // namespace vesperline::platform
