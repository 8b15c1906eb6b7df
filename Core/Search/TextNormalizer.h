#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::TextNormalizer {

// The one rule for when two texts count as the same words: the Turkish i-forms (İ, I, ı) become i,
// then case, diacritics and full/half-width forms are folded away. Spaces, punctuation, digits and
// line breaks are kept as they are. The result never depends on the user's locale, so text indexed
// yesterday folds byte for byte the same today (the full-text index relies on that).
std::string fold(std::string_view text);

// The folded form of one user-perceived character; may be empty (a lone combining mark) or longer
// than one character (ß gives ss). Used to map folded text back to positions in the original.
std::string foldCharacter(std::string_view character);

// The folded maximal runs of letters and numbers, in order.
std::vector<std::string> words(std::string_view text);

// The text as the full-text index is given it: `fold`, with every character at which `words` cuts
// but the index's tokenizer would not replaced by a space, so a word glued to an icon glyph is
// indexed as the word the query asks for. Like `fold`, the same text always gives the same bytes:
// removing a row from the index needs exactly the text it was indexed with.
std::string indexForm(std::string_view text);

// Whether the text holds a character the index's tokenizer keeps inside a word although it is no
// letter or number: private-use glyphs, unassigned code points and characters newer than the
// tokenizer's Unicode 6.1 tables. Text without one has `indexForm` equal to `fold`.
bool hasGlyphsTheIndexKeeps(std::string_view text);

// FNV-1a, 64 bits, over the bytes as given (not folded). Stable across processes; may be stored.
std::uint64_t stableHash(std::string_view text);

} // namespace ostrel::TextNormalizer
