#include "Search/SearchQuery.h"

#include "Search/AddressPrefixes.h"
#include "Search/TextNormalizer.h"
#include "Support/Graphemes.h"

#include <algorithm>
#include <climits>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace ostrel {
namespace {

bool isWhiteSpace(UChar32 c) {
    return c >= 0 && u_hasBinaryProperty(c, UCHAR_WHITE_SPACE);
}

bool isWhiteSpace(std::string_view character) {
    int32_t offset = 0;
    UChar32 c = 0;
    U8_NEXT(character.data(), offset, static_cast<int32_t>(character.size()), c);
    return isWhiteSpace(c);
}

// Whether `text` holds nothing but white space; it stops at the first character that is not. A text
// too long for ICU's offsets is taken to hold more.
bool isOnlyWhiteSpace(std::string_view text) {
    if (text.size() > static_cast<std::size_t>(INT32_MAX)) {
        return false;
    }
    int32_t at = 0;
    while (at < static_cast<int32_t>(text.size())) {
        UChar32 c = 0;
        U8_NEXT(text.data(), at, static_cast<int32_t>(text.size()), c);
        if (!isWhiteSpace(c)) {
            return false;
        }
    }
    return true;
}

bool endsWithWhiteSpace(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    const std::string_view tail = text.substr(text.size() - std::min<std::size_t>(text.size(), 4));
    int32_t at = static_cast<int32_t>(tail.size());
    UChar32 c = 0;
    U8_PREV(tail.data(), 0, at, c);
    return isWhiteSpace(c);
}

// The prefixes are ASCII, and no other character lower-cases to their letters, so comparing bytes
// without regard to ASCII case is the same as lower-casing the term first.
bool startsWithIgnoringCase(std::string_view term, std::string_view prefix) {
    if (term.size() < prefix.size()) {
        return false;
    }
    return std::equal(prefix.begin(), prefix.end(), term.begin(), [](char p, char t) {
        return p == ((t >= 'A' && t <= 'Z') ? static_cast<char>(t - 'A' + 'a') : t);
    });
}

// One FTS5 string. Tokens are letters and numbers, but a cluster that starts with a letter may still
// carry a double quote (a prepended mark joins the next character), so quotes are doubled as FTS5
// expects rather than trusted to be absent.
std::string quoted(const std::vector<std::string>& tokens) {
    std::string part = "\"";
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (i > 0) {
            part += ' ';
        }
        for (const char c : tokens[i]) {
            part += c;
            if (c == '"') {
                part += '"';
            }
        }
    }
    return part + '"';
}

} // namespace

std::optional<SearchQuery::Sort> SearchQuery::sortFromRaw(std::string_view raw) {
    for (const Sort sort : allSorts) {
        if (toRaw(sort) == raw) {
            return sort;
        }
    }
    return std::nullopt;
}

std::string_view toRaw(SearchQuery::Sort sort) {
    return sort == SearchQuery::Sort::newest ? "newest" : "relevance";
}

SearchQuery::SearchQuery(std::string text, std::optional<Time> from, std::optional<Time> to,
                         std::vector<std::string> appBundleIDs, std::int64_t limit, Sort sort)
    : from(from), to(to), appBundleIDs(std::move(appBundleIDs)), limit(limit), sort(sort),
      text_(std::move(text)) {
    parse();
}

void SearchQuery::parse() {
    const std::string_view text = text_;
    std::vector<std::size_t> bounds = Graphemes::boundaries(text, maximumCharacters + 1);
    std::optional<bool> endsWithSpaceBeyond;
    if (bounds.size() > maximumCharacters + 1) {
        bounds.resize(maximumCharacters + 1);
        const std::string_view rest = text.substr(bounds.back());
        shortened_ = !isOnlyWhiteSpace(rest);
        endsWithSpaceBeyond = !shortened_ || endsWithWhiteSpace(rest);
    }
    std::string buffer;
    bool inQuote = false;
    const auto closePhrase = [&] {
        std::vector<std::string> tokens = allowedWords(TextNormalizer::words(buffer));
        if (!tokens.empty()) {
            phrases_.push_back({std::move(tokens), true});
        }
    };
    for (std::size_t i = 0; i + 1 < bounds.size(); ++i) {
        const std::string_view character = text.substr(bounds[i], bounds[i + 1] - bounds[i]);
        if (character == "\"") {
            if (inQuote) {
                closePhrase();
            } else {
                addTerm(buffer);
            }
            buffer.clear();
            inQuote = !inQuote;
        } else if (!inQuote && isWhiteSpace(character)) {
            addTerm(buffer);
            buffer.clear();
        } else {
            buffer.append(character);
        }
        endsWithSpace_ = isWhiteSpace(character);
    }
    if (inQuote) {
        closePhrase();
    } else {
        addTerm(buffer);
    }
    if (endsWithSpaceBeyond) {
        endsWithSpace_ = *endsWithSpaceBeyond;
    }
}

std::vector<std::string> SearchQuery::allowedWords(std::vector<std::string> tokens) {
    const std::size_t room = maximumWords - words_;
    if (tokens.size() > room) {
        tokens.resize(room);
        shortened_ = true;
    }
    words_ += tokens.size();
    return tokens;
}

void SearchQuery::addTerm(std::string_view term) {
    if (term.empty()) {
        return;
    }
    for (const std::string_view prefix : {"app:", "uygulama:"}) {
        if (startsWithIgnoringCase(term, prefix)) {
            std::string filter = TextNormalizer::fold(term.substr(prefix.size()));
            if (!filter.empty() && !allowedWords({filter}).empty()) {
                appNameFilters_.push_back(std::move(filter));
            }
            return;
        }
    }
    if (startsWithIgnoringCase(term, "site:")) {
        std::string_view site = term.substr(5);
        for (const std::string_view prefix : addressPrefixes) {
            if (startsWithIgnoringCase(site, prefix)) {
                site.remove_prefix(prefix.size());
            }
        }
        std::vector<std::string> tokens = allowedWords(TextNormalizer::words(site));
        if (!tokens.empty()) {
            siteTokens_.push_back(std::move(tokens));
        }
        return;
    }
    std::vector<std::string> tokens = allowedWords(TextNormalizer::words(term));
    if (!tokens.empty()) {
        phrases_.push_back({std::move(tokens), false});
    }
}

std::optional<std::string> SearchQuery::matchExpression(bool prefix) const {
    std::size_t count = phrases_.size();
    // A lone trailing letter is still being typed: matching it as a prefix would match nearly
    // everything, so it waits for the next keystroke.
    if (count >= 2) {
        const Phrase& last = phrases_.back();
        if (!last.quoted && last.tokens.size() == 1 && Graphemes::count(last.tokens.front()) == 1) {
            --count;
        }
    }
    std::vector<std::string> parts;
    for (std::size_t i = 0; i < count; ++i) {
        std::string part = quoted(phrases_[i].tokens);
        if (prefix && i + 1 == count && !phrases_[i].quoted && !endsWithSpace_) {
            part += '*';
        }
        parts.push_back(std::move(part));
    }
    for (const std::vector<std::string>& site : siteTokens_) {
        parts.push_back("url : " + quoted(site) + "*");
    }
    if (parts.empty()) {
        return std::nullopt;
    }
    std::string expression = parts.front();
    for (std::size_t i = 1; i < parts.size(); ++i) {
        expression += ' ' + parts[i];
    }
    return expression;
}

std::vector<std::string> SearchQuery::highlightTerms() const {
    std::vector<std::string> terms;
    const auto add = [&](const std::vector<std::string>& tokens) {
        for (const std::string& token : tokens) {
            if (std::find(terms.begin(), terms.end(), token) == terms.end()) {
                terms.push_back(token);
            }
        }
    };
    for (const Phrase& phrase : phrases_) {
        add(phrase.tokens);
    }
    for (const std::vector<std::string>& site : siteTokens_) {
        add(site);
    }
    return terms;
}

} // namespace ostrel
