#pragma once

#include "Platform/WindowOcclusion.h"

#include <map>

namespace vesperline::platform {

// Keeps the handlers of the windows it follows; the test says when one is covered.
class FakeWindowOcclusion final : public WindowOcclusion {
  public:
    std::map<std::uintptr_t, std::function<void(bool)>> followed;

    void follow(std::uintptr_t window, std::function<void(bool covered)> onChange) override {
        followed[window] = std::move(onChange);
    }
    void forget(std::uintptr_t window) override { followed.erase(window); }

    // Reports `window` covered or not, as the desktop would; false when it is not followed.
    bool setCovered(std::uintptr_t window, bool covered) {
        const auto handler = followed.find(window);
        if (handler == followed.end()) {
            return false;
        }
        handler->second(covered);
        return true;
    }
};

} // namespace vesperline::platform
