#pragma once

#include "Capture/RecorderConfig.h"
#include "Capture/WindowInspector.h"
#include "Rules/ScreenWindow.h"
#include "Rules/WindowPrivacy.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vesperline {

// Decides for every browser window visible in a captured frame, frontmost or not, whether its
// content may be stored. Reading a browser's accessibility tree is slow, so it keeps a few facts per
// window (whether a private-browsing marker was seen, which page address under which title) and
// inspects a window again only when they are missing or stale. The verdict itself always comes from
// `WindowPrivacy::verdict` on those facts and the user's settings; a window it cannot tell about is
// `unknown`, and so is masked: privacy fails closed.
//
// Used on the recorder queue only. Times are seconds of uptime.
class BrowserPrivacy final {
  public:
    struct URLEntry {
        std::optional<std::string> url; // absent: no address was found
        double at = 0;
        bool operator==(const URLEntry&) const = default;
    };

    struct Facts {
        // True once any inspection found a marker (it stays so); false when one found none for sure.
        std::optional<bool> privateMarker;
        // The last inspection could not find the window among its application's accessible windows.
        bool unmatched = false;
        // By window title ("" for none).
        std::map<std::string, URLEntry> urls;
        double lastAttempt = 0;
        double lastSeen = 0;
        bool operator==(const Facts&) const = default;
    };

    static constexpr double urlFreshness = 60;
    static constexpr double markerRetry = 30;
    static constexpr std::size_t factsLimit = 40;
    static constexpr double factsLifetime = 600;
    static constexpr std::size_t urlLimit = 20;
    static constexpr double frameTolerance = 1.0;

    explicit BrowserPrivacy(WindowInspector& inspector) : inspector_(inspector) {}
    BrowserPrivacy(const BrowserPrivacy&) = delete;
    BrowserPrivacy& operator=(const BrowserPrivacy&) = delete;

    // Verdicts for the browser windows of a frame's window list and of the list before it.
    ostrel::WindowPrivacy::VerdictMap
    evaluate(const std::vector<ostrel::ScreenWindow>& current,
             const std::optional<std::vector<ostrel::ScreenWindow>>& previous, const RecorderConfig& config,
             double now);
    // Merges what the frame pipeline read of the frontmost browser window.
    void record(const std::optional<std::string>& url, std::optional<bool> privateMarker,
                std::uint32_t window, const std::optional<std::string>& titleKey, double now);

    // The frame pipeline reuses a fresh entry directly.
    std::map<std::uint32_t, Facts>& facts() { return facts_; }

  private:
    using AccessibleWindows = std::map<std::int32_t, std::vector<AXWindow>>;

    std::optional<ostrel::WindowPrivacy::Verdict> check(const ostrel::ScreenWindow& window, bool isCurrent,
                                                        const RecorderConfig& config,
                                                        AccessibleWindows& cache, double now);
    void inspect(const ostrel::ScreenWindow& window, AccessibleWindows& cache, double now);

    WindowInspector& inspector_;
    std::map<std::uint32_t, Facts> facts_;
};

} // namespace vesperline
