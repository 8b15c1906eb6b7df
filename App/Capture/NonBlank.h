#pragma once

#include <optional>
#include <string>

namespace vesperline {

// Whether the text has something besides white space and line breaks.
bool isNonBlank(const std::string& text);

// The text as read (untrimmed) when it is non-blank, else absent.
std::optional<std::string> nonBlank(std::optional<std::string> text);

} // namespace vesperline
