#pragma once

#include "Platform/UserIdle.h"

#include <atomic>

namespace vesperline::platform {

// The user's idle time, set by the test; a negative value reads as unknown.
class FakeUserIdle final : public UserIdle {
  public:
    std::atomic<double> seconds{10};

    std::optional<double> secondsSinceLastInput() override {
        const double value = seconds;
        return value < 0 ? std::nullopt : std::optional(value);
    }
};

} // namespace vesperline::platform
