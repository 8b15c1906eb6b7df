#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::Graphemes {

// Everything the system calls a "character" is a user-perceived character: an extended grapheme
// cluster of the UTF-8 text. Invalid UTF-8 is treated as ICU does, one cluster per bad byte sequence.

// The number of grapheme clusters in `text`.
std::size_t count(std::string_view text);

// Byte offsets of every cluster boundary, starting with 0 and ending with text.size().
std::vector<std::size_t> boundaries(std::string_view text);

// Byte offsets of the cluster boundaries of the first `maxClusters` clusters only: starting with 0,
// ending with the end of the last of them. The rest of the text is not looked at.
std::vector<std::size_t> boundaries(std::string_view text, std::size_t maxClusters);

// The first `n` clusters of `text` (all of it when it has fewer).
std::string prefix(std::string_view text, std::size_t n);

// The last `n` clusters of `text` (all of it when it has fewer).
std::string suffix(std::string_view text, std::size_t n);

} // namespace ostrel::Graphemes
