#pragma once

#include "Storage/DisplayTitle.h"
#include "Storage/ImageState.h"
#include "Storage/OCRState.h"
#include "Storage/RelativeRect.h"
#include "Storage/TextSource.h"
#include "Support/Time.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace ostrel {

// One stored moment read back in full. Identity, equality and hash are the row id alone.
struct FrameRecord {
    std::int64_t id = 0;
    Time timestamp = 0;
    std::uint32_t displayID = 0;
    std::optional<std::string> appBundleID;
    std::optional<std::string> appName;
    std::optional<std::string> windowTitle;
    std::optional<std::string> url;
    std::optional<std::string> project;
    std::int64_t width = 0;
    std::int64_t height = 0;
    ImageState imageState = ImageState::none;
    std::optional<std::string> imagePath;
    std::optional<std::int64_t> segmentID;
    std::optional<std::int64_t> segmentIndex;
    std::optional<std::string> segmentPath;
    OCRState ocrState = OCRState::notNeeded;
    TextSource textSource;
    std::int64_t textChars = 0;
    std::int64_t keyframe = 0; // 0 untouched, 1 kept as key frame by thinning, 2 picture dropped
    std::int64_t bytes = 0;
    std::optional<RelativeRect> windowRect;

    std::string displayTitle() const { return ostrel::displayTitle(windowTitle, appName, appBundleID); }

    // Bundle identifier (or "?"), U+001F, then the title: one key per window context.
    std::string contextKey() const { return appBundleID.value_or("?") + '\x1f' + windowTitle.value_or(""); }

    bool operator==(const FrameRecord& other) const { return id == other.id; }
};

} // namespace ostrel

template <> struct std::hash<ostrel::FrameRecord> {
    std::size_t operator()(const ostrel::FrameRecord& record) const noexcept {
        return std::hash<std::int64_t>()(record.id);
    }
};
