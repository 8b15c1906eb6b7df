#pragma once

#include "Storage/Snippet.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::SnippetBuilder {

// The excerpt a search result shows: the line of `body` that best matches `terms`, else the window
// title or the address when one holds a term, else the first line longer than three characters;
// cut to about `maxLength` characters around the first match, with "…" where text was cut away.
// Every length and position counts user-perceived characters.
Snippet build(std::string_view body, const std::optional<std::string>& title,
              const std::optional<std::string>& url, const std::vector<std::string>& terms,
              std::int64_t maxLength);

// Character ranges of `text` where the folded `terms` occur, sorted by start. Earlier terms take
// their characters first; a later term never overlaps them.
std::vector<Snippet::Range> highlightRanges(std::string_view text,
                                            const std::vector<std::string>& foldedTerms);

// Cuts `characters` to at most `maxLength` of them, starting a third of the length before `anchor`,
// at word boundaries where a space is near, and moves `highlights` to the cut text. A negative
// length counts as 0.
Snippet window(const std::vector<std::string>& characters, const std::vector<Snippet::Range>& highlights,
               std::int64_t anchor, std::int64_t maxLength);

} // namespace ostrel::SnippetBuilder
