#pragma once

#include "Support/Rect.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// One on-screen window as the window list reports it.
struct ScreenWindow {
    std::uint32_t id = 0; // the window server's window number
    std::int32_t pid = 0; // process of the owning application
    // Bounds in the global display space: origin at the main display's top left, y growing downward.
    Rect frame;
    std::optional<std::string> title;
    // The application's own area, without the decorations a window manager draws around it; absent
    // when it is the whole frame. Accessibility reports this area, so windows are matched by it.
    std::optional<Rect> clientFrame = std::nullopt;
    // The frames of the opaque windows of any application stacked in front of this one that meet it,
    // front to back: what of this window shows on screen is its frame less these.
    std::vector<Rect> coveringFrames = {};

    const Rect& contentFrame() const { return clientFrame ? *clientFrame : frame; }

    bool operator==(const ScreenWindow&) const = default;
};

} // namespace ostrel
