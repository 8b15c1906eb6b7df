// The "recent_screen_activity" tool: the windows seen in the last minutes, newest first.
#include "Server.h"
#include "ToolText.h"

#include "Storage/MemoryStore.h"
#include "Support/Graphemes.h"
#include "Support/JoinedLines.h"

#include <algorithm>

namespace vesperline::mcp {

namespace {

constexpr std::int64_t contextsRead = 15;
constexpr std::int64_t textPerContext = 1200;
constexpr std::size_t textLinesShown = 12;

// The non-empty pieces of `text` between line feeds. A carriage return and line feed together form
// one character, so that pair does not split the text.
std::vector<std::string> nonEmptyLines(const std::string& text) {
    std::vector<std::string> pieces;
    const std::vector<std::size_t> boundaries = ostrel::Graphemes::boundaries(text);
    std::size_t pieceStart = 0;
    for (std::size_t i = 0; i + 1 < boundaries.size(); ++i) {
        const std::size_t start = boundaries[i];
        const std::size_t end = boundaries[i + 1];
        if (end - start == 1 && text[start] == '\n') {
            if (start > pieceStart) {
                pieces.push_back(text.substr(pieceStart, start - pieceStart));
            }
            pieceStart = end;
        }
    }
    if (text.size() > pieceStart) {
        pieces.push_back(text.substr(pieceStart));
    }
    return pieces;
}

} // namespace

std::string Server::recentScreenActivity(ostrel::MemoryStore& store, const Json& arguments) {
    const std::int64_t minutes =
        std::clamp<std::int64_t>(intArgument(arguments, "minutes").value_or(30), 1, 1440);
    const ostrel::Time since = clock_.now() - static_cast<double>(minutes) * 60.0;
    const std::vector<ostrel::ContextDigest> contexts =
        store.recentContexts(since, contextsRead, textPerContext);
    if (contexts.empty()) {
        return "Nothing was recorded in the last " + std::to_string(minutes) + " minutes.";
    }

    std::vector<std::string> lines;
    lines.push_back("Screen activity in the last " + std::to_string(minutes) + " minutes (newest first):");
    lines.push_back("");
    for (const ostrel::ContextDigest& context : contexts) {
        std::string line = ToolText::bullet + timeString(context.start) + ToolText::timeRangeDash +
                           timeString(context.end) + " " +
                           ToolText::appLabel(context.appName, context.appBundleID);
        if (ToolText::hasText(context.windowTitle)) {
            line += ToolText::separator + *context.windowTitle;
        }
        lines.push_back(std::move(line));
        if (ToolText::hasText(context.url)) {
            lines.push_back("  URL: " + *context.url);
        }
        if (!context.text.empty()) {
            std::vector<std::string> shown = nonEmptyLines(context.text);
            if (shown.size() > textLinesShown) {
                shown.resize(textLinesShown);
            }
            for (std::string& piece : shown) {
                piece.insert(0, "  | ");
            }
            lines.push_back(ostrel::joinedLines(shown));
        }
    }
    return ostrel::joinedLines(lines);
}

} // namespace vesperline::mcp
