#pragma once

#include "Platform/UserIdle.h"

#include <atomic>

namespace vesperline::platform {

// Idle time set by the test; negative reads as "cannot be read".
class FakeUserIdle final : public UserIdle {
  public:
    std::atomic<double> seconds{0};

    std::optional<double> secondsSinceLastInput() override {
        const double value = seconds;
        return value < 0 ? std::nullopt : std::optional(value);
    }
};

} // namespace vesperline::platform
