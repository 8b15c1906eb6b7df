#pragma once

#include "Platform/WindowActivation.h"

#include <vector>

namespace vesperline::platform {

// Keeps the windows it was asked to activate.
class FakeWindowActivation final : public WindowActivation {
  public:
    std::vector<std::uintptr_t> activated;

    void activate(std::uintptr_t window) override { activated.push_back(window); }
};

} // namespace vesperline::platform
