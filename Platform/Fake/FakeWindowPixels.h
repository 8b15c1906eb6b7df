#pragma once

#include "Platform/WindowPixels.h"

#include <vector>

namespace vesperline::platform {

// Keeps the pictures it was given, or refuses them all.
class FakeWindowPixels final : public WindowPixels {
  public:
    struct Put {
        std::uintptr_t window = 0;
        QPoint position;
        QImage picture;
    };

    bool accepts = true;
    std::vector<Put> puts;

    bool put(std::uintptr_t window, QPoint position, const QImage& picture) override {
        if (!accepts) {
            return false;
        }
        puts.push_back({window, position, picture});
        return true;
    }
};

} // namespace vesperline::platform
