#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::LineSplitter {

// The clean lines of a captured text, in text order: the text is cut to its first `maxCharacters`
// characters, split at every line break, each run of white space becomes one space with none at the
// ends, and lines shorter than 2 characters or repeating an earlier line (after folding) are dropped.
// At most `maxLines` lines are returned. Characters are user-perceived characters.
std::vector<std::string> lines(std::string_view text, std::size_t maxCharacters, std::size_t maxLines);

} // namespace ostrel::LineSplitter
