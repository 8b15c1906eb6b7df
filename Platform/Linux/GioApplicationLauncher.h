#pragma once

#include "Platform/ApplicationLauncher.h"

namespace vesperline::platform {

// Starts an application from its desktop file with GLib's launcher (`gio launch <file>`), which
// follows the file's Exec line, field codes and working folder as the desktop's menus do.
class GioApplicationLauncher final : public ApplicationLauncher {
  public:
    void launch(const InstalledApplication& application) override;
};

} // namespace vesperline::platform
