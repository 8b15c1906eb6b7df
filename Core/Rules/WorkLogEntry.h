#pragma once

#include "Storage/HashCombine.h"

#include <optional>
#include <string>

namespace ostrel {

// One app or one project of a day's work log.
struct WorkLogEntry {
    std::string id; // the app key or the project key
    std::string name;
    std::optional<std::string> bundleID;
    double seconds = 0;

    bool operator==(const WorkLogEntry&) const = default;
};

} // namespace ostrel

template <> struct std::hash<ostrel::WorkLogEntry> {
    std::size_t operator()(const ostrel::WorkLogEntry& e) const noexcept {
        return ostrel::hashAll(e.id, e.name, e.bundleID, e.seconds);
    }
};
