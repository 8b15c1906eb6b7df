#pragma once

#include "Rules/ScreenWindow.h"
#include "Support/Rect.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace ostrel::WindowPrivacy {

// How a window may appear in a stored frame; every verdict but `allow` means it must be hidden.
enum class Verdict { allow, privateWindow, excludedSite, unknown };

constexpr bool needsMask(Verdict verdict) {
    return verdict != Verdict::allow;
}

using VerdictMap = std::unordered_map<std::uint32_t, Verdict>;

// The outcome of the privacy step for one frame: store it with these masks (possibly none), or skip it.
struct Decision {
    // Absent: skip the frame.
    std::optional<std::vector<Rect>> masks;

    static Decision capture(std::vector<Rect> masks) { return {std::move(masks)}; }
    static Decision skip() { return {}; }
    bool isSkip() const { return !masks; }

    bool operator==(const Decision&) const = default;
};

// The verdict for one browser window from its title, its page address and the browser's own private
// state (absent when it could not be read). With `skipPrivateWindows` off neither the title nor the
// private state is looked at. A window whose status cannot be established is `unknown`.
Verdict verdict(const std::optional<std::string>& title, const std::optional<std::string>& url,
                std::optional<bool> isPrivate, bool skipPrivateWindows,
                const std::vector<std::string>& excludedSites);

// Verdicts for every window of `windows`. A window without a verdict of its own takes that of the first
// window of the same process that encloses it completely (sheets, pop-overs), else `unknown`.
VerdictMap verdicts(const std::vector<ScreenWindow>& windows, const VerdictMap& known);

// Frames of the windows to hide that meet the display, by window number. A window without a verdict is
// hidden too.
std::unordered_map<std::uint32_t, Rect> maskedFrames(const std::vector<ScreenWindow>& windows,
                                                     const VerdictMap& verdicts, const Rect& display);

// Mask rectangles in display-relative units (0 to 1, origin top left), sorted top to bottom, then left
// to right: what shows of each window to hide, grown by `padding` points. The windows in front of it
// (its covering frames, each shrunk by `padding`) keep their picture when they were the same with the
// previous frame; otherwise the window is hidden whole. Absent (do not store the frame) when a window to
// hide appeared, moved or closed since the previous frame's list, when there is no previous list to
// compare with, or when the display or padding cannot be measured.
std::optional<std::vector<Rect>> masks(const std::optional<std::vector<ScreenWindow>>& previous,
                                       const std::vector<ScreenWindow>& current, const VerdictMap& verdicts,
                                       const Rect& display, double padding);

} // namespace ostrel::WindowPrivacy
