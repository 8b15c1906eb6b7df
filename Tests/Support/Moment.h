#pragma once

#include "Storage/NewFrame.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// Builds the moment a test stores, naming only what matters to it:
// `store.insertFrame(Moment(at).app("org.example.editor").title("Notes").lines({"text"}))`.
class Moment {
  public:
    using Text = std::optional<std::string>;

    explicit Moment(ostrel::Time at, std::uint32_t display = 1) {
        frame_.timestamp = at;
        frame_.displayID = display;
    }

    Moment& app(Text bundleID, Text name = std::nullopt) {
        frame_.appBundleID = std::move(bundleID);
        frame_.appName = std::move(name);
        return *this;
    }
    Moment& title(Text title) {
        frame_.windowTitle = std::move(title);
        return *this;
    }
    Moment& url(Text url) {
        frame_.url = std::move(url);
        return *this;
    }
    Moment& project(Text project) {
        frame_.project = std::move(project);
        return *this;
    }
    Moment& lines(std::vector<std::string> lines) {
        frame_.lines = std::move(lines);
        return *this;
    }
    Moment& textSource(ostrel::TextSource source) {
        frame_.textSource = source;
        return *this;
    }
    Moment& ocr(ostrel::OCRState state) {
        frame_.ocrState = state;
        return *this;
    }
    // The picture is frame `index` of segment `segmentID`.
    Moment& inSegment(std::int64_t segmentID, std::int64_t index) {
        frame_.imageState = ostrel::ImageState::segment;
        frame_.segmentID = segmentID;
        frame_.segmentIndex = index;
        return *this;
    }

    const ostrel::NewFrame& frame() const { return frame_; }
    operator const ostrel::NewFrame&() const { return frame_; }

  private:
    ostrel::NewFrame frame_;
};

} // namespace testsupport
