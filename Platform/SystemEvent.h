#pragma once

namespace vesperline::platform {

// What the session tells about itself: lock, screen saver, sleep, display sleep and session switch.
enum class SystemEvent {
    locked,
    unlocked,
    screensaverStarted,
    screensaverStopped,
    willSleep,
    didWake,
    screensSlept,
    screensWoke,
    sessionInactive,
    sessionActive,
};

} // namespace vesperline::platform
