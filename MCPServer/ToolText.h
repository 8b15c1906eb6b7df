#pragma once

#include <optional>
#include <string>

namespace vesperline::mcp::ToolText {

// The conventions of the tools' plain-text answers.

inline constexpr const char* bullet = "• ";
inline constexpr const char* separator = " — ";
inline constexpr const char* timeRangeDash = "–";

// Present and not empty: the test for printing a window title or an address.
inline bool hasText(const std::optional<std::string>& value) {
    return value && !value->empty();
}

// The app name when present (even empty), else the bundle identifier when present, else "?".
inline std::string appLabel(const std::optional<std::string>& appName,
                            const std::optional<std::string>& bundleID) {
    return appName ? *appName : bundleID ? *bundleID : "?";
}

} // namespace vesperline::mcp::ToolText
