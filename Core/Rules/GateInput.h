#pragma once

#include <optional>

namespace ostrel {

// What the frame gate knows about one display on one capture tick. Times are seconds on one monotonic
// clock (system uptime), not the wall clock.
struct GateInput {
    double now = 0;
    // When this display was last saved; absent before its first save.
    std::optional<double> lastCapture;
    // The display stream reported a change since the last save.
    bool changed = false;
    // Share of the display area changed since the last save, 0 to 1.
    double dirtyFraction = 0;
    // Seconds since the user's last keyboard or pointer input.
    double inputIdle = 0;
    // When the frontmost application or window changed, while no save has followed that change.
    std::optional<double> contextChangedAt;
    // The display shows continuous media (a video or a call).
    bool mediaLike = false;

    bool operator==(const GateInput&) const = default;
};

} // namespace ostrel
