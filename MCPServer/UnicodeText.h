#pragma once

#include <string>
#include <string_view>

namespace vesperline::mcp::UnicodeText {

// `text` with every ill-formed UTF-8 sequence replaced by U+FFFD; well-formed text comes back as is.
std::string replacingInvalidUTF8(std::string_view text);

// `text` without Unicode white space and line breaks (tab to carriage return, U+0085 and the
// separator categories) at both ends.
std::string_view trimmingWhitespaceAndNewlines(std::string_view text);

// `text` without horizontal white space (tab and the space separators) at both ends; line breaks stay.
std::string_view trimmingHorizontalWhitespace(std::string_view text);

// Whether two texts are the same once normalised (NFC): "é" as one code point equals "e" and a
// combining accent.
bool canonicallyEqual(std::string_view first, std::string_view second);

} // namespace vesperline::mcp::UnicodeText
