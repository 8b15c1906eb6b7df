#pragma once

#include "Storage/ImageState.h"
#include "Storage/OCRState.h"
#include "Storage/RelativeRect.h"
#include "Storage/TextSource.h"
#include "Support/Time.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// One moment as the capture pipeline hands it to the store.
struct NewFrame {
    Time timestamp = 0;
    std::uint32_t displayID = 0;
    std::optional<std::string> appBundleID;
    std::optional<std::string> appName;
    std::optional<std::string> windowTitle;
    std::optional<std::string> url;
    std::optional<std::string> project;
    std::uint64_t perceptualHash = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    ImageState imageState = ImageState::none;
    std::optional<std::int64_t> segmentID;
    std::optional<std::int64_t> segmentIndex;
    OCRState ocrState = OCRState::notNeeded;
    TextSource textSource;
    std::vector<std::string> lines;
    std::int64_t bytes = 0;
    std::optional<RelativeRect> windowRect;
};

} // namespace ostrel
