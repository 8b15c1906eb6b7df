#pragma once

namespace vesperline {

// A reason that holds recording; the recorder records only while it holds none. The user's stop and
// pause, the session's lock, screen saver, switch and sleep, and missing capture permission.
enum class RecorderBlock {
    stopped,
    paused,
    locked,
    screensaver,
    sessionInactive,
    asleep,
    displayAsleep,
    permission
};

} // namespace vesperline
