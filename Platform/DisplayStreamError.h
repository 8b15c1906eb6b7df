#pragma once

#include <stdexcept>
#include <string>

namespace vesperline::platform {

// Why a display stream could not start, or why it stopped by itself.
class DisplayStreamError : public std::runtime_error {
  public:
    enum class Kind {
        // The user ended the capture from the desktop's own controls.
        userStopped,
        // The session offers no display we may read.
        permissionDenied,
        // The monitors changed; the stream's display may be gone or resized.
        displayChanged,
        // The connection to the display server broke.
        connectionLost,
        // Anything else.
        failed,
    };

    DisplayStreamError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}

    Kind kind() const { return kind_; }

  private:
    Kind kind_;
};

} // namespace vesperline::platform
