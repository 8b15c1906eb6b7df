#pragma once

#include "Platform/ApplicationLauncher.h"

#include <string>
#include <vector>

namespace vesperline::platform {

// Keeps the ids of the applications it was asked to start.
class FakeApplicationLauncher final : public ApplicationLauncher {
  public:
    std::vector<std::string> launched;

    void launch(const InstalledApplication& application) override { launched.push_back(application.id); }
};

} // namespace vesperline::platform
