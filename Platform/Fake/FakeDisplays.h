#pragma once

#include "Platform/Displays.h"

namespace vesperline::platform {

// A display layout set by the test.
class FakeDisplays final : public Displays {
  public:
    std::vector<DisplayInfo> layout;

    std::vector<DisplayInfo> displays() override { return layout; }
};

} // namespace vesperline::platform
