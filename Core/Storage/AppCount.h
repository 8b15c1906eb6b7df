#pragma once

#include "Storage/HashCombine.h"

#include <cstdint>
#include <string>

namespace ostrel {

// The number of moments of one app.
struct AppCount {
    std::string bundleID;
    std::string name;
    std::int64_t count = 0;

    bool operator==(const AppCount&) const = default;
};

} // namespace ostrel

template <> struct std::hash<ostrel::AppCount> {
    std::size_t operator()(const ostrel::AppCount& c) const noexcept {
        return ostrel::hashAll(c.bundleID, c.name, c.count);
    }
};
