#include "Rules/WindowPrivacy.h"

#include "Rules/PrivacyRules.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

namespace ostrel::WindowPrivacy {
namespace {

// The windows to hide, by number, in the order of the window list; a later window with the same
// number replaces an earlier one.
using MaskedList = std::vector<std::pair<std::uint32_t, const ScreenWindow*>>;

// More pieces than this of one window's visible part are not worth telling apart: it is hidden whole.
constexpr std::size_t maxVisiblePieces = 64;

// Whether two rectangles overlap or touch along an edge. A window to hide that only touches the
// display counts, so it takes part in the stability check (and its padding reaches into the display):
// a frame is rather skipped than stored next to a window that moved unseen.
bool meets(const Rect& a, const Rect& b) {
    return std::max(a.minX(), b.minX()) <= std::min(a.maxX(), b.maxX()) &&
           std::max(a.minY(), b.minY()) <= std::min(a.maxY(), b.maxY());
}

MaskedList maskedList(const std::vector<ScreenWindow>& windows, const VerdictMap& verdicts,
                      const Rect& display) {
    MaskedList masked;
    for (const ScreenWindow& window : windows) {
        const auto verdict = verdicts.find(window.id);
        if (verdict != verdicts.end() && !needsMask(verdict->second)) {
            continue;
        }
        if (!meets(window.frame, display)) {
            continue;
        }
        const auto existing = std::find_if(masked.begin(), masked.end(),
                                           [&](const auto& entry) { return entry.first == window.id; });
        if (existing != masked.end()) {
            existing->second = &window;
        } else {
            masked.emplace_back(window.id, &window);
        }
    }
    return masked;
}

const ScreenWindow* firstWindow(const std::vector<ScreenWindow>& windows, std::uint32_t id) {
    const auto found = std::find_if(windows.begin(), windows.end(),
                                    [id](const ScreenWindow& window) { return window.id == id; });
    return found == windows.end() ? nullptr : &*found;
}

// Every window to hide, now or in the previous frame, must be where it was: otherwise the masks of
// this frame may miss the window's current position.
bool windowsToHideStayed(const std::vector<ScreenWindow>& previous, const MaskedList& previousMasked,
                         const std::vector<ScreenWindow>& current, const MaskedList& currentMasked) {
    std::set<std::uint32_t> ids;
    for (const auto& [id, window] : previousMasked) {
        ids.insert(id);
    }
    for (const auto& [id, window] : currentMasked) {
        ids.insert(id);
    }
    return std::all_of(ids.begin(), ids.end(), [&](std::uint32_t id) {
        const ScreenWindow* before = firstWindow(previous, id);
        const ScreenWindow* now = firstWindow(current, id);
        return before && now && before->frame == now->frame;
    });
}

// What shows of a window to hide, grown by `padding`, on the display: less the windows in front of
// it, each shrunk by `padding` so that the blank still reaches a little under their edges. Those are
// trusted only when they were the same with the previous frame; otherwise the window is hidden whole.
std::vector<Rect> visibleParts(const ScreenWindow& window, const ScreenWindow* before, const Rect& display,
                               double padding) {
    const Rect whole = window.frame.insetBy(-padding, -padding).intersection(display);
    std::vector<Rect> pieces{whole};
    if (!before || before->coveringFrames != window.coveringFrames) {
        return pieces;
    }
    for (const Rect& cover : window.coveringFrames) {
        const Rect hole = cover.insetBy(padding, padding);
        std::vector<Rect> rest;
        for (const Rect& piece : pieces) {
            const std::vector<Rect> left = piece.subtracting(hole);
            rest.insert(rest.end(), left.begin(), left.end());
        }
        pieces = std::move(rest);
        if (pieces.size() > maxVisiblePieces) {
            return {whole};
        }
    }
    return pieces;
}

} // namespace

Verdict verdict(const std::optional<std::string>& title, const std::optional<std::string>& url,
                std::optional<bool> isPrivate, bool skipPrivateWindows,
                const std::vector<std::string>& excludedSites) {
    if (skipPrivateWindows && (isPrivate == true || PrivacyRules::isPrivateWindowTitle(title))) {
        return Verdict::privateWindow;
    }
    if (PrivacyRules::matchesExcludedSite(url, title, excludedSites)) {
        return Verdict::excludedSite;
    }
    if (skipPrivateWindows && !isPrivate) {
        return Verdict::unknown;
    }
    if (!url && !excludedSites.empty()) {
        return Verdict::unknown;
    }
    return Verdict::allow;
}

VerdictMap verdicts(const std::vector<ScreenWindow>& windows, const VerdictMap& known) {
    VerdictMap result;
    for (const ScreenWindow& window : windows) {
        Verdict verdict = Verdict::unknown;
        if (const auto own = known.find(window.id); own != known.end()) {
            verdict = own->second;
        } else {
            for (const ScreenWindow& owner : windows) {
                if (owner.id == window.id || owner.pid != window.pid || !owner.frame.contains(window.frame)) {
                    continue;
                }
                if (const auto judged = known.find(owner.id); judged != known.end()) {
                    verdict = judged->second;
                    break;
                }
            }
        }
        result[window.id] = verdict;
    }
    return result;
}

std::unordered_map<std::uint32_t, Rect> maskedFrames(const std::vector<ScreenWindow>& windows,
                                                     const VerdictMap& verdicts, const Rect& display) {
    std::unordered_map<std::uint32_t, Rect> frames;
    for (const auto& [id, window] : maskedList(windows, verdicts, display)) {
        frames.emplace(id, window->frame);
    }
    return frames;
}

std::optional<std::vector<Rect>> masks(const std::optional<std::vector<ScreenWindow>>& previous,
                                       const std::vector<ScreenWindow>& current, const VerdictMap& verdicts,
                                       const Rect& display, double padding) {
    const MaskedList currentMasked = maskedList(current, verdicts, display);
    if (!previous) {
        if (currentMasked.empty()) {
            return std::vector<Rect>{};
        }
        return std::nullopt;
    }
    const MaskedList previousMasked = maskedList(*previous, verdicts, display);
    if (currentMasked.empty() && previousMasked.empty()) {
        return std::vector<Rect>{};
    }
    if (!windowsToHideStayed(*previous, previousMasked, current, currentMasked)) {
        return std::nullopt;
    }
    if (!(display.width > 0) || !(display.height > 0) || std::isnan(padding)) {
        return std::nullopt;
    }

    std::vector<Rect> rects;
    for (const auto& [id, window] : currentMasked) {
        for (const Rect& visible : visibleParts(*window, firstWindow(*previous, id), display, padding)) {
            if (visible.isEmpty()) {
                continue;
            }
            rects.push_back({(visible.minX() - display.minX()) / display.width,
                             (visible.minY() - display.minY()) / display.height,
                             visible.width / display.width, visible.height / display.height});
        }
    }
    std::stable_sort(rects.begin(), rects.end(),
                     [](const Rect& a, const Rect& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
    return rects;
}

} // namespace ostrel::WindowPrivacy
