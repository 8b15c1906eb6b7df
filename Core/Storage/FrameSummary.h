#pragma once

#include "Storage/DisplayTitle.h"
#include "Storage/HashCombine.h"
#include "Storage/ImageState.h"
#include "Support/Time.h"

#include <cstdint>
#include <optional>
#include <string>

namespace ostrel {

// The short form of a moment for lists, the timeline, search results and events.
struct FrameSummary {
    std::int64_t id = 0;
    Time timestamp = 0;
    std::uint32_t displayID = 0;
    std::optional<std::string> appBundleID;
    std::optional<std::string> appName;
    std::optional<std::string> windowTitle;
    std::optional<std::string> url;
    ImageState imageState = ImageState::none;
    std::optional<std::string> segmentPath;
    std::optional<std::int64_t> segmentIndex;

    std::string displayTitle() const { return ostrel::displayTitle(windowTitle, appName, appBundleID); }

    bool operator==(const FrameSummary&) const = default;
};

} // namespace ostrel

template <> struct std::hash<ostrel::FrameSummary> {
    std::size_t operator()(const ostrel::FrameSummary& s) const noexcept {
        return ostrel::hashAll(s.id, s.timestamp, s.displayID, s.appBundleID, s.appName, s.windowTitle, s.url,
                               s.imageState, s.segmentPath, s.segmentIndex);
    }
};
