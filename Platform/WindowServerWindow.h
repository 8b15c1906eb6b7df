#pragma once

#include "Platform/WindowType.h"
#include "Support/Rect.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vesperline::platform {

// One on-screen window as the display server reports it.
struct WindowServerWindow {
    std::uint32_t id = 0;
    // The owning process; absent when the window does not say.
    std::optional<std::int32_t> pid;
    // Global screen coordinates, window decorations included.
    std::optional<ostrel::Rect> frame;
    // 0 (transparent) to 1 (opaque); absent when the window sets none, which means opaque.
    std::optional<double> alpha;
    WindowType type = WindowType::normal;
    // The application's name as the window gives it ("" when it gives none).
    std::string ownerName;
    std::optional<std::string> title;
    // `frame` without the decorations: the application's own area.
    std::optional<ostrel::Rect> clientFrame = std::nullopt;

    bool operator==(const WindowServerWindow&) const = default;
};

} // namespace vesperline::platform
