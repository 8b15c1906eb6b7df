// The "get_activity" tool: one local day's work log as text.
#include "LocalCalendar.h"
#include "Server.h"
#include "ToolError.h"
#include "ToolText.h"
#include "UnicodeText.h"

#include "Rules/WorkLogBuilder.h"
#include "Storage/MemoryStore.h"
#include "Support/JoinedLines.h"

#include <algorithm>
#include <cmath>

namespace vesperline::mcp {

namespace {

constexpr double mergeGap = 120.0;
constexpr double shortestBlockShown = 60.0;
constexpr std::size_t timelineEntriesShown = 60;
constexpr std::size_t entriesShown = 12;

struct TimelineBlock {
    ostrel::Time start = 0;
    ostrel::Time end = 0;
    std::string name;
    std::optional<std::string> detail;
};

// "<1 min", "45 min", "2 h 5 min".
std::string durationText(double seconds) {
    const double minutes = std::trunc(seconds / 60.0);
    if (!(minutes >= 1)) {
        return "<1 min";
    }
    const auto whole = static_cast<long long>(minutes);
    if (whole < 60) {
        return std::to_string(whole) + " min";
    }
    return std::to_string(whole / 60) + " h " + std::to_string(whole % 60) + " min";
}

// One block per stretch of one app, joining spans less than two minutes apart; short blocks are
// dropped only after merging, so a brief switch still separates two stretches of the same app.
std::vector<TimelineBlock> timeline(const std::vector<ostrel::ActivitySpan>& spans) {
    std::vector<TimelineBlock> blocks;
    for (const ostrel::ActivitySpan& span : spans) {
        const std::string name = ToolText::appLabel(span.appName, span.appBundleID);
        if (!blocks.empty() && UnicodeText::canonicallyEqual(blocks.back().name, name) &&
            span.start - blocks.back().end < mergeGap) {
            blocks.back().end = std::max(blocks.back().end, span.end);
        } else {
            blocks.push_back({span.start, span.end, name, span.project});
        }
    }
    std::erase_if(blocks,
                  [](const TimelineBlock& block) { return block.end - block.start < shortestBlockShown; });
    if (blocks.size() > timelineEntriesShown) {
        blocks.resize(timelineEntriesShown);
    }
    return blocks;
}

void appendEntries(std::vector<std::string>& lines, const std::vector<ostrel::WorkLogEntry>& entries) {
    for (std::size_t i = 0; i < entries.size() && i < entriesShown; ++i) {
        lines.push_back(ToolText::bullet + entries[i].name + ": " + durationText(entries[i].seconds));
    }
}

} // namespace

std::string Server::getActivity(ostrel::MemoryStore& store, const Json& arguments) {
    LocalCalendar calendar;
    ostrel::Time dayStart = calendar.startOfDay(clock_.now());
    const auto date = arguments.find("date");
    if (date != arguments.end() && date->is_string() && !date->get_ref<const std::string&>().empty()) {
        const std::optional<ostrel::Time> parsed = dayFormatter_.parse(date->get<std::string>());
        if (!parsed) {
            throw ToolError("date must look like 2026-10-22");
        }
        dayStart = calendar.startOfDay(*parsed);
    }
    const ostrel::Time dayEnd = calendar.addingOneDay(dayStart).value_or(dayStart + 86400.0);

    const ostrel::WorkLog log =
        ostrel::WorkLogBuilder::build(store.activity(dayStart, dayEnd), dayStart, dayEnd, calendar.zone());
    const std::string day = dayFormatter_.format(dayStart);
    if (!(log.totalSeconds > 0)) {
        return "No activity recorded on " + day + ".";
    }

    std::vector<std::string> lines;
    lines.push_back("Activity on " + day + ToolText::separator + "total " + durationText(log.totalSeconds));
    if (log.firstActivity && log.lastActivity) {
        lines.push_back("From " + timeString(*log.firstActivity) + " to " + timeString(*log.lastActivity));
    }
    lines.push_back("");
    lines.push_back("By app:");
    appendEntries(lines, log.apps);
    if (!log.projects.empty()) {
        lines.push_back("");
        lines.push_back("By project / site:");
        appendEntries(lines, log.projects);
    }
    lines.push_back("");
    lines.push_back("Timeline:");
    for (const TimelineBlock& block : timeline(log.spans)) {
        std::string line = ToolText::bullet + timeString(block.start) + ToolText::timeRangeDash +
                           timeString(block.end) + " " + block.name;
        if (block.detail) {
            line += " (" + *block.detail + ")";
        }
        lines.push_back(std::move(line));
    }
    return ostrel::joinedLines(lines);
}

} // namespace vesperline::mcp
