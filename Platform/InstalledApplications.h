#pragma once

#include "Platform/InstalledApplication.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QObject;

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
    // Calls `handler` on the main thread whenever applications were installed, removed or changed
    // since, once for a burst of changes, with the lookups above already answering from the new list;
    // for as long as `context` lives. Main thread only.
    virtual void watch(QObject* context, std::function<void()> handler) = 0;
};

} // namespace vesperline::platform
