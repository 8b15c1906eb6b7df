#pragma once

#include "Support/Rect.h"

#include <cstdint>
#include <optional>
#include <string>

namespace ostrel {

// One on-screen window as the window list reports it.
struct ScreenWindow {
    std::uint32_t id = 0; // the window server's window number
    std::int32_t pid = 0; // process of the owning application
    // Bounds in the global display space: origin at the main display's top left, y growing downward.
    Rect frame;
    std::optional<std::string> title;

    bool operator==(const ScreenWindow&) const = default;
};

} // namespace ostrel
