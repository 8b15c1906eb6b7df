#include "Search/SnippetBuilder.h"

#include "Search/TextNormalizer.h"
#include "Support/Graphemes.h"

#include <algorithm>

namespace ostrel::SnippetBuilder {
namespace {

constexpr std::string_view ellipsis = "\u2026";
// How far a cut may move to land on a space.
constexpr std::int64_t wordSearchSpan = 16;

std::vector<std::string> characters(std::string_view text) {
    const std::vector<std::size_t> bounds = Graphemes::boundaries(text);
    std::vector<std::string> result;
    result.reserve(bounds.size() - 1);
    for (std::size_t i = 0; i + 1 < bounds.size(); ++i) {
        result.emplace_back(text.substr(bounds[i], bounds[i + 1] - bounds[i]));
    }
    return result;
}

// Byte length of the line break at `i` (CR LF counts as one), or 0 when there is none.
std::size_t lineBreakLength(std::string_view text, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\r') {
        return (i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    }
    if (c >= '\n' && c <= '\r') {
        return 1;
    }
    const std::string_view rest = text.substr(i);
    if (rest.starts_with("\u0085")) {
        return 2;
    }
    if (rest.starts_with("\u2028") || rest.starts_with("\u2029")) {
        return 3;
    }
    return 0;
}

std::vector<std::string_view> nonEmptyLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t length = lineBreakLength(text, i)) {
            if (i > start) {
                lines.push_back(text.substr(start, i - start));
            }
            i += length;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

// Folded, without empties and repeats, longest first so longer terms claim their characters first.
std::vector<std::string> preparedTerms(const std::vector<std::string>& terms) {
    std::vector<std::string> prepared;
    for (const std::string& term : terms) {
        std::string folded = TextNormalizer::fold(term);
        if (!folded.empty() && std::find(prepared.begin(), prepared.end(), folded) == prepared.end()) {
            prepared.push_back(std::move(folded));
        }
    }
    std::stable_sort(prepared.begin(), prepared.end(), [](const std::string& a, const std::string& b) {
        return Graphemes::count(a) > Graphemes::count(b);
    });
    return prepared;
}

bool containsAnyTerm(std::string_view text, const std::vector<std::string>& terms) {
    const std::string folded = TextNormalizer::fold(text);
    return std::any_of(terms.begin(), terms.end(),
                       [&](const std::string& term) { return folded.find(term) != std::string::npos; });
}

Snippet highlighted(std::string_view text, const std::vector<std::string>& terms, std::int64_t maxLength) {
    const std::vector<Snippet::Range> highlights = highlightRanges(text, terms);
    const std::int64_t anchor = highlights.empty() ? 0 : highlights.front().lower;
    return window(characters(text), highlights, anchor, maxLength);
}

} // namespace

Snippet build(std::string_view body, const std::optional<std::string>& title,
              const std::optional<std::string>& url, const std::vector<std::string>& terms,
              std::int64_t maxLength) {
    const std::vector<std::string> prepared = preparedTerms(terms);
    const std::vector<std::string_view> lines = nonEmptyLines(body);
    if (!prepared.empty()) {
        std::optional<std::string_view> best;
        std::int64_t bestScore = 0;
        for (const std::string_view line : lines) {
            const std::string folded = TextNormalizer::fold(line);
            std::int64_t score = 0;
            for (const std::string& term : prepared) {
                if (folded.find(term) != std::string::npos) {
                    score += 100 + static_cast<std::int64_t>(Graphemes::count(term));
                }
            }
            if (score > bestScore) {
                bestScore = score;
                best = line;
            }
        }
        if (best) {
            return highlighted(*best, prepared, maxLength);
        }
        for (const std::optional<std::string>& candidate : {title, url}) {
            if (candidate && !candidate->empty() && containsAnyTerm(*candidate, prepared)) {
                return highlighted(*candidate, prepared, maxLength);
            }
        }
    }
    const auto firstLong = std::find_if(lines.begin(), lines.end(),
                                        [](std::string_view line) { return Graphemes::count(line) > 3; });
    const std::string fallback = firstLong != lines.end() ? std::string(*firstLong) : title.value_or("");
    return window(characters(fallback), {}, 0, maxLength);
}

std::vector<Snippet::Range> highlightRanges(std::string_view text,
                                            const std::vector<std::string>& foldedTerms) {
    // The folded characters of the text, each with the position of the text character it came from.
    std::vector<std::string> folded;
    std::vector<std::int64_t> origin;
    const std::vector<std::string> original = characters(text);
    for (std::size_t position = 0; position < original.size(); ++position) {
        std::string foldedCharacter = TextNormalizer::foldCharacter(original[position]);
        // Most characters fold to one byte; only longer results need cutting into characters.
        std::vector<std::string> pieces;
        if (foldedCharacter.size() == 1) {
            pieces.push_back(std::move(foldedCharacter));
        } else {
            pieces = characters(foldedCharacter);
        }
        for (std::string& piece : pieces) {
            folded.push_back(std::move(piece));
            origin.push_back(static_cast<std::int64_t>(position));
        }
    }
    std::vector<bool> taken(folded.size(), false);
    std::vector<Snippet::Range> ranges;
    for (const std::string& term : foldedTerms) {
        const std::vector<std::string> wanted = characters(term);
        if (wanted.empty() || wanted.size() > folded.size()) {
            continue;
        }
        for (std::size_t p = 0; p + wanted.size() <= folded.size();) {
            const bool matches =
                std::equal(wanted.begin(), wanted.end(), folded.begin() + p) &&
                std::none_of(taken.begin() + p, taken.begin() + p + wanted.size(), [](bool t) { return t; });
            if (matches) {
                // The whole text characters are taken, so the other half of a character that folds to
                // two (ß to ss) cannot give the same range again.
                std::size_t from = p;
                std::size_t to = p + wanted.size();
                while (from > 0 && origin[from - 1] == origin[p]) {
                    --from;
                }
                while (to < folded.size() && origin[to] == origin[p + wanted.size() - 1]) {
                    ++to;
                }
                std::fill(taken.begin() + static_cast<std::ptrdiff_t>(from),
                          taken.begin() + static_cast<std::ptrdiff_t>(to), true);
                ranges.push_back({origin[p], origin[p + wanted.size() - 1] + 1});
                p += wanted.size();
            } else {
                ++p;
            }
        }
    }
    std::stable_sort(ranges.begin(), ranges.end(),
                     [](const Snippet::Range& a, const Snippet::Range& b) { return a.lower < b.lower; });
    return ranges;
}

Snippet window(const std::vector<std::string>& characters, const std::vector<Snippet::Range>& highlights,
               std::int64_t anchor, std::int64_t maxLength) {
    const std::int64_t n = static_cast<std::int64_t>(characters.size());
    const std::int64_t m = std::max<std::int64_t>(maxLength, 0);
    const auto join = [&](std::int64_t from, std::int64_t to) {
        std::string text;
        for (std::int64_t i = from; i < to; ++i) {
            text += characters[static_cast<std::size_t>(i)];
        }
        return text;
    };
    if (m >= n) {
        return {join(0, n), highlights};
    }
    std::int64_t start = std::max<std::int64_t>(anchor - m / 3, 0);
    std::int64_t end = n;
    const bool cutAtEnd = start + m < n;
    if (cutAtEnd) {
        end = start + m;
    } else {
        start = std::max<std::int64_t>(n - m, 0);
    }
    if (start > 0) {
        for (std::int64_t i = start; i < std::min(end, start + wordSearchSpan); ++i) {
            if (characters[static_cast<std::size_t>(i)] == " ") {
                start = i + 1;
                break;
            }
        }
    }
    // A lone mark (after a tab or another control) would fuse with the leading "…" into one character
    // and move every highlight after it; with nothing to sit on, it is left out.
    while (start > 0 && start < end &&
           Graphemes::count(std::string(ellipsis) + characters[static_cast<std::size_t>(start)]) == 1) {
        ++start;
    }
    if (cutAtEnd) {
        for (std::int64_t i = end - 1; i >= std::max(end - wordSearchSpan, start); --i) {
            if (characters[static_cast<std::size_t>(i)] == " ") {
                end = i;
                break;
            }
        }
    }
    Snippet snippet;
    const std::int64_t lead = start > 0 ? 1 : 0;
    snippet.text =
        std::string(start > 0 ? ellipsis : "") + join(start, end) + std::string(end < n ? ellipsis : "");
    for (const Snippet::Range& range : highlights) {
        const std::int64_t lower = std::max(range.lower, start);
        const std::int64_t upper = std::min(range.upper, end);
        if (lower < upper) {
            snippet.highlights.push_back({lower + lead - start, upper + lead - start});
        }
    }
    return snippet;
}

} // namespace ostrel::SnippetBuilder
