#pragma once

#include <functional>
#include <string_view>

namespace ostrel::Whitespace {

// The Unicode White_Space property: spaces of every width, tabs and line breaks.
bool isWhitespace(char32_t scalar);

// Whether the first Unicode scalar of a UTF-8 character is white space (false for empty text).
bool startsWithWhitespace(std::string_view character);

// `text` without white space and line breaks at either end.
std::string_view trimmed(std::string_view text);

// `text` without the characters that `drop` selects at either end.
std::string_view trimmed(std::string_view text, const std::function<bool(char32_t)>& drop);

} // namespace ostrel::Whitespace
