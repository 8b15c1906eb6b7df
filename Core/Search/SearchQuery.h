#pragma once

#include "Support/Time.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// One search as typed, with the filters around it. The text is parsed once, on creation, into
// bare terms and quoted phrases, "app:" (or "uygulama:") name filters and "site:" address words.
//
// Only the beginning of a long text is read: its first `maximumCharacters` characters, and of those
// the first `maximumWords` words (each word of a phrase or a site, and each app filter, counts one).
// Every search of both programs is built here, so the bound is the same everywhere; past it a search
// only costs more and would hardly match anything, since all its words must occur.
class SearchQuery {
  public:
    static constexpr std::size_t maximumCharacters = 1000;
    static constexpr std::size_t maximumWords = 64;

    enum class Sort { relevance, newest };
    static constexpr std::array<Sort, 2> allSorts{Sort::relevance, Sort::newest};
    static std::optional<Sort> sortFromRaw(std::string_view raw);

    // Folded words that must stand next to each other; `quoted` when typed between double quotes.
    struct Phrase {
        std::vector<std::string> tokens;
        bool quoted = false;
        bool operator==(const Phrase&) const = default;
    };

    SearchQuery(std::string text, std::optional<Time> from, std::optional<Time> to,
                std::vector<std::string> appBundleIDs, std::int64_t limit, Sort sort);

    // Earliest moment time (inclusive) and the time bound (exclusive); absent = unbounded.
    std::optional<Time> from;
    std::optional<Time> to;
    // Only moments of these apps; empty = all apps.
    std::vector<std::string> appBundleIDs;
    // The largest number of hits; a negative value gets none.
    std::int64_t limit = 0;
    Sort sort = Sort::relevance;

    const std::string& text() const { return text_; }
    const std::vector<Phrase>& phrases() const { return phrases_; }
    const std::vector<std::vector<std::string>>& siteTokens() const { return siteTokens_; }
    const std::vector<std::string>& appNameFilters() const { return appNameFilters_; }
    bool endsWithSpace() const { return endsWithSpace_; }
    // Whether the text went past the bounds above, so that part of it is not searched. White space
    // after the last character read leaves nothing out.
    bool isShortened() const { return shortened_; }

    // Nothing to match: app-name filters alone make an empty query.
    bool isEmpty() const { return phrases_.empty() && siteTokens_.empty(); }
    // The FTS5 match text; with `prefix` the last bare word matches as a prefix unless the text
    // ended in white space. Absent when there is nothing to match.
    std::optional<std::string> matchExpression(bool prefix) const;
    // Every phrase and site word once, in order of the text.
    std::vector<std::string> highlightTerms() const;

  private:
    void parse();
    void addTerm(std::string_view term);
    // `tokens` cut to the words still allowed, counting them.
    std::vector<std::string> allowedWords(std::vector<std::string> tokens);

    std::string text_;
    std::vector<Phrase> phrases_;
    std::vector<std::vector<std::string>> siteTokens_;
    std::vector<std::string> appNameFilters_;
    bool endsWithSpace_ = false;
    bool shortened_ = false;
    std::size_t words_ = 0;
};

std::string_view toRaw(SearchQuery::Sort sort);

} // namespace ostrel
