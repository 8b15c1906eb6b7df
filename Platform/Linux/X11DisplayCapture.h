#pragma once

#include "Platform/DisplayCapture.h"
#include "Platform/Linux/ProcessApplications.h"
#include "Platform/Linux/X11Connection.h"

#include <memory>
#include <mutex>

namespace vesperline::platform {

// Screen capture on X11. "Permission" to capture is an X display we can read: without one (a pure
// Wayland session, where an X server sees only its own clients' windows) there is nothing to capture.
// The display list comes from RandR over a connection that is opened again after it broke.
class X11DisplayCapture final : public DisplayCapture {
  public:
    // `workspace` names the applications whose windows a filter excludes.
    explicit X11DisplayCapture(Workspace& workspace);

    bool hasPermission() override;
    std::vector<DisplayInfo> capturableDisplays() override;
    std::unique_ptr<DisplayStream> makeStream(std::uint32_t displayID) override;

    // Whether the environment says this is a Wayland session.
    static bool isWaylandSession();

  private:
    ProcessApplications applications_;
    std::mutex mutex_;
    std::shared_ptr<X11Connection> x11_;
};

} // namespace vesperline::platform
