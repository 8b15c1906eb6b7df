#pragma once

#include "Support/Time.h"

#include <cstdint>
#include <optional>
#include <string>

namespace ostrel {

// One window context of the recent past with its text joined.
struct ContextDigest {
    std::optional<std::string> appName;
    std::optional<std::string> appBundleID;
    std::optional<std::string> windowTitle;
    std::optional<std::string> url;
    Time start = 0;
    Time end = 0;
    std::int64_t frameCount = 0;
    std::string text;
};

} // namespace ostrel
