#pragma once

#include <optional>
#include <string>

namespace vesperline {

// `Format::nonBlank` for the UTF-8 text the platform layer reads: the text as read (untrimmed) when
// it has something besides white space and line breaks, else absent.
std::optional<std::string> nonBlank(std::optional<std::string> text);

} // namespace vesperline
