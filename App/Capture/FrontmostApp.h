#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vesperline {

// The application that owns the active window.
struct FrontmostApp {
    std::int32_t pid = 0;
    std::optional<std::string> bundleID;
    // The name to show for it.
    std::optional<std::string> name;

    bool operator==(const FrontmostApp&) const = default;
};

} // namespace vesperline
