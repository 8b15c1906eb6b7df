// The "get_moment_text" tool: one moment with all text its window showed in the minutes before it.
#include "Server.h"
#include "ToolError.h"
#include "ToolText.h"

#include "Storage/MemoryStore.h"
#include "Support/JoinedLines.h"

namespace vesperline::mcp {

namespace {

// Lines seen while scrolling stay in the window's earlier moments; a quarter of an hour holds them.
constexpr double textWindow = 900.0;
constexpr std::int64_t textLimit = 20000;

} // namespace

std::string Server::getMomentText(ostrel::MemoryStore& store, const Json& arguments) {
    std::optional<std::int64_t> id = intArgument(arguments, "moment_id");
    if (!id) {
        id = intArgument(arguments, "frame_id");
    }
    if (!id) {
        throw ToolError("moment_id is required");
    }
    const std::optional<ostrel::FrameRecord> frame = store.frame(*id);
    if (!frame) {
        throw ToolError("No moment with id " + std::to_string(*id) + ". It may have been deleted.");
    }
    const std::string text = store.contextText(frame->id, textLimit, textWindow);

    std::vector<std::string> lines;
    lines.push_back("Moment " + std::to_string(frame->id) + ToolText::separator +
                    dateFormatter_.format(frame->timestamp));
    lines.push_back("App: " + ToolText::appLabel(frame->appName, frame->appBundleID));
    if (ToolText::hasText(frame->windowTitle)) {
        lines.push_back("Window: " + *frame->windowTitle);
    }
    if (ToolText::hasText(frame->url)) {
        lines.push_back("URL: " + *frame->url);
    }
    lines.push_back("");
    lines.push_back(text.empty() ? "(No text was recorded for this moment.)" : text);
    return ostrel::joinedLines(lines);
}

} // namespace vesperline::mcp
