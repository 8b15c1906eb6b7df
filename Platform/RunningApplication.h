#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vesperline::platform {

// A running application as the desktop knows it.
struct RunningApplication {
    std::int32_t pid = 0;
    // The application id: the desktop-file id when known, else the window class, else the name of
    // the executable.
    std::optional<std::string> bundleID;
    // The name to show for it.
    std::optional<std::string> name;

    bool operator==(const RunningApplication&) const = default;
};

} // namespace vesperline::platform
