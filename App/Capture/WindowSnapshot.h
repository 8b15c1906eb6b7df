#pragma once

#include "Platform/AccessibleElement.h"
#include "Support/Rect.h"

#include <optional>
#include <string>

namespace vesperline {

// The frontmost window of an application; `element` is absent when the values came from the window
// list only.
struct WindowSnapshot {
    std::optional<std::string> title;
    std::optional<ostrel::Rect> frame;
    std::optional<platform::AccessibleElement> element;

    bool operator==(const WindowSnapshot&) const = default;
};

} // namespace vesperline
