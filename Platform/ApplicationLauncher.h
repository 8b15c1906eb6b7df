#pragma once

#include "Platform/InstalledApplication.h"

namespace vesperline::platform {

// Starts installed applications.
class ApplicationLauncher {
  public:
    virtual ~ApplicationLauncher() = default;
    // Starts the application as its desktop file says (an application already running may instead
    // bring its window forward); returns at once without waiting for it or telling whether it
    // started. Main thread.
    virtual void launch(const InstalledApplication& application) = 0;
};

} // namespace vesperline::platform
