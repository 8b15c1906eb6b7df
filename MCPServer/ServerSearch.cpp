// The "search_screen_memory" tool: a full-text search written as a short report.
#include "Server.h"
#include "ToolError.h"
#include "ToolText.h"
#include "UnicodeText.h"

#include "Search/SearchQuery.h"
#include "Storage/MemoryStore.h"
#include "Support/JoinedLines.h"

#include <algorithm>

namespace vesperline::mcp {

std::string Server::searchScreenMemory(ostrel::MemoryStore& store, const Json& arguments) {
    const auto queryMember = arguments.find("query");
    if (queryMember == arguments.end() || !queryMember->is_string() ||
        UnicodeText::trimmingHorizontalWhitespace(queryMember->get_ref<const std::string&>()).empty()) {
        throw ToolError("query is required");
    }
    const std::string& query = queryMember->get_ref<const std::string&>();
    const std::int64_t days = intArgument(arguments, "days").value_or(30);
    const std::int64_t limit = std::clamp<std::int64_t>(intArgument(arguments, "limit").value_or(10), 1, 25);
    const auto sortMember = arguments.find("sort");
    const bool newest = sortMember != arguments.end() && *sortMember == "newest";

    const ostrel::Time now = clock_.now();
    std::optional<ostrel::Time> from;
    if (days > 0) {
        // In floating point: a number of days too large for seconds in 64 bits means all of the past.
        from = now - static_cast<double>(days) * 86400.0;
    }
    // The added space makes the last word match whole: an assistant sends finished words, not a
    // prefix being typed.
    const ostrel::SearchQuery search(query + " ", from, std::nullopt, {}, limit,
                                     newest ? ostrel::SearchQuery::Sort::newest
                                            : ostrel::SearchQuery::Sort::relevance);
    if (search.isShortened()) {
        // Refused rather than cut: the assistant can ask again with the words that matter.
        throw ToolError("query is too long: use at most " +
                        std::to_string(ostrel::SearchQuery::maximumWords) + " words and " +
                        std::to_string(ostrel::SearchQuery::maximumCharacters) + " characters");
    }
    const std::vector<ostrel::SearchHit> hits = store.search(search, now);

    if (hits.empty()) {
        std::string text = "No moments found for \"" + query + "\"";
        return days > 0 ? text + " in the last " + std::to_string(days) + " days." : text + ".";
    }
    std::vector<std::string> lines;
    lines.push_back("Found " + std::to_string(hits.size()) + " moment(s) for \"" + query + "\":");
    lines.push_back("");
    for (const ostrel::SearchHit& hit : hits) {
        const ostrel::FrameSummary& frame = hit.frame;
        std::string line = std::string(ToolText::bullet) + "[moment " + std::to_string(frame.id) + "] " +
                           dateFormatter_.format(frame.timestamp) + ToolText::separator +
                           ToolText::appLabel(frame.appName, frame.appBundleID);
        if (ToolText::hasText(frame.windowTitle)) {
            line += ToolText::separator + *frame.windowTitle;
        }
        lines.push_back(std::move(line));
        if (ToolText::hasText(frame.url)) {
            lines.push_back("  URL: " + *frame.url);
        }
        if (!hit.snippet.text.empty()) {
            lines.push_back("  “" + hit.snippet.text + "”");
        }
        if (hit.matchCount >= 2) {
            lines.push_back("  (" + std::to_string(hit.matchCount) + " nearby matches in this window)");
        }
    }
    return ostrel::joinedLines(lines);
}

} // namespace vesperline::mcp
