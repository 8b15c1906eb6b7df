#pragma once

#include "Platform/AccessibleElement.h"
#include "Support/Rect.h"

#include <optional>
#include <string>

namespace vesperline {

// One accessibility window of an application.
struct AXWindow {
    platform::AccessibleElement element;
    std::optional<std::string> title;
    std::optional<ostrel::Rect> frame;

    bool operator==(const AXWindow&) const = default;
};

} // namespace vesperline
