#pragma once

#include "Platform/AccessibleRole.h"
#include "Support/Rect.h"

#include <optional>
#include <string>

namespace vesperline::platform {

// What the text walk reads of each node in one request: its role and where it lies on screen.
struct AccessibleNode {
    AccessibleRole role = AccessibleRole::other;
    // Global screen coordinates; absent when the node has no position or size.
    std::optional<ostrel::Rect> frame;

    bool operator==(const AccessibleNode&) const = default;
};

// What the page walk reads of each node in one request: its role and the texts that label it.
struct AccessibleLabels {
    AccessibleRole role = AccessibleRole::other;
    std::optional<std::string> description;
    std::optional<std::string> title;
    std::optional<std::string> help;

    bool operator==(const AccessibleLabels&) const = default;
};

// A run of characters of a text node, in characters from its start.
struct TextRange {
    long long location = 0;
    long long length = 0;

    bool operator==(const TextRange&) const = default;
};

} // namespace vesperline::platform
