#include "Platform/Linux/X11DisplayCapture.h"

#include "Platform/Linux/X11DisplayStream.h"
#include "Platform/Linux/X11Displays.h"

#include <cstdlib>
#include <string_view>

namespace vesperline::platform {

X11DisplayCapture::X11DisplayCapture(Workspace& workspace) : applications_(workspace) {}

bool X11DisplayCapture::isWaylandSession() {
    const char* type = std::getenv("XDG_SESSION_TYPE");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (type && std::string_view(type) == "wayland") || (wayland && *wayland);
}

bool X11DisplayCapture::hasPermission() {
    return !isWaylandSession() && X11Connection::open() != nullptr;
}

std::vector<DisplayInfo> X11DisplayCapture::capturableDisplays() {
    if (isWaylandSession()) {
        throw DisplayStreamError(DisplayStreamError::Kind::permissionDenied,
                                 "a Wayland session does not let X11 read the screen");
    }
    std::shared_ptr<X11Connection> x11;
    {
        std::lock_guard lock(mutex_);
        if (!x11_ || xcb_connection_has_error(x11_->connection())) {
            x11_ = X11Connection::open();
        }
        x11 = x11_;
    }
    if (!x11) {
        throw DisplayStreamError(DisplayStreamError::Kind::permissionDenied, "there is no X display to read");
    }
    std::vector<DisplayInfo> displays = X11Displays(x11).displays();
    if (const int error = xcb_connection_has_error(x11->connection())) {
        throw DisplayStreamError(DisplayStreamError::Kind::connectionLost,
                                 "the connection to the X server broke (xcb error " + std::to_string(error) +
                                     ")");
    }
    return displays;
}

std::unique_ptr<DisplayStream> X11DisplayCapture::makeStream(std::uint32_t displayID) {
    return std::make_unique<X11DisplayStream>(displayID, applications_);
}

} // namespace vesperline::platform
