#pragma once

#include <optional>

namespace vesperline::platform {

// How long the user has not touched keyboard or pointer. Safe to call from any thread.
class UserIdle {
  public:
    virtual ~UserIdle() = default;
    // Seconds since the last keyboard or pointer input; absent when it cannot be read.
    virtual std::optional<double> secondsSinceLastInput() = 0;
};

} // namespace vesperline::platform
