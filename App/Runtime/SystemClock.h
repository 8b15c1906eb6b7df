#pragma once

#include "Support/Time.h"

namespace vesperline {

// The real clock, shared by the whole program. Services take a `const ostrel::Clock&` so tests can
// hand them a clock of their own instead.
inline const ostrel::Clock& systemClock() {
    static const ostrel::SystemClock clock;
    return clock;
}

} // namespace vesperline
