#pragma once

#include "SharedKit/BuildInfo.h"

#include <utility>

namespace vesperline {

// The gate in front of software updates: they are offered only when the build names both an update
// feed and the public key that verifies what it delivers. This platform has no updater of its own
// (distributions deliver new versions), so the build names neither, and "Check for Updates…" is
// offered nowhere.
class UpdaterController {
  public:
    explicit UpdaterController(BuildInfo info = BuildInfo::current()) : info_(std::move(info)) {}

    // Both the public key and the feed address have a value (blank counts as none).
    bool isConfigured() const;

  private:
    BuildInfo info_;
};

} // namespace vesperline
