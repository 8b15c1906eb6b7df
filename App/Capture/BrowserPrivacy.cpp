#include "Capture/BrowserPrivacy.h"

#include <algorithm>
#include <cmath>

namespace vesperline {

using ostrel::WindowPrivacy::Verdict;

namespace {

bool sameFrame(const ostrel::Rect& a, const ostrel::Rect& b, double tolerance) {
    return std::abs(a.minX() - b.minX()) <= tolerance && std::abs(a.minY() - b.minY()) <= tolerance &&
           std::abs(a.width - b.width) <= tolerance && std::abs(a.height - b.height) <= tolerance;
}

} // namespace

void BrowserPrivacy::record(const std::optional<std::string>& url, std::optional<bool> privateMarker,
                            std::uint32_t window, const std::optional<std::string>& titleKey, double now) {
    Facts facts;
    if (const auto found = facts_.find(window); found != facts_.end()) {
        facts = found->second;
    }
    if (privateMarker) {
        // A marker once seen stays.
        facts.privateMarker = facts.privateMarker == true ? true : *privateMarker;
    }
    if (titleKey) {
        facts.urls[*titleKey] = {url, now};
    }
    if (facts.urls.size() > urlLimit) {
        std::erase_if(facts.urls,
                      [now](const auto& entry) { return !(now - entry.second.at < urlFreshness); });
    }
    facts.unmatched = false;
    facts.lastAttempt = now;
    facts.lastSeen = now;
    facts_[window] = std::move(facts);
}

ostrel::WindowPrivacy::VerdictMap
BrowserPrivacy::evaluate(const std::vector<ostrel::ScreenWindow>& current,
                         const std::optional<std::vector<ostrel::ScreenWindow>>& previous,
                         const RecorderConfig& config, double now) {
    if (facts_.size() > factsLimit) {
        std::erase_if(facts_,
                      [now](const auto& entry) { return !(now - entry.second.lastSeen < factsLifetime); });
    }
    std::vector<ostrel::ScreenWindow> windows = current;
    if (previous) {
        windows.insert(windows.end(), previous->begin(), previous->end());
    }
    if (windows.empty()) {
        return {};
    }
    AccessibleWindows cache;
    ostrel::WindowPrivacy::VerdictMap result;
    for (const ostrel::ScreenWindow& window : windows) {
        const bool isCurrent = std::find(current.begin(), current.end(), window) != current.end();
        const std::optional<Verdict> verdict = check(window, isCurrent, config, cache, now);
        if (!verdict) {
            continue;
        }
        // A window in both lists keeps the first verdict that hides it.
        const auto known = result.find(window.id);
        if (known == result.end() || known->second == Verdict::allow) {
            result[window.id] = *verdict;
        }
    }
    return ostrel::WindowPrivacy::verdicts(windows, result);
}

std::optional<Verdict> BrowserPrivacy::check(const ostrel::ScreenWindow& window, bool isCurrent,
                                             const RecorderConfig& config, AccessibleWindows& cache,
                                             double now) {
    const std::string title = window.title.value_or("");
    bool shouldInspect = false;
    if (const auto found = facts_.find(window.id); found == facts_.end()) {
        shouldInspect = isCurrent;
    } else {
        const Facts& facts = found->second;
        if (!facts.privateMarker) {
            shouldInspect = isCurrent && now - facts.lastAttempt >= markerRetry;
        } else if (config.excludedSites.empty()) {
            shouldInspect = false; // the address does not matter then
        } else if (const auto entry = facts.urls.find(title);
                   entry != facts.urls.end() && now - entry->second.at < urlFreshness) {
            shouldInspect = false;
        } else {
            shouldInspect = isCurrent;
        }
    }
    if (shouldInspect && inspector_.isTrusted()) {
        inspect(window, cache, now);
    }

    const auto found = facts_.find(window.id);
    if (found == facts_.end()) {
        return ostrel::WindowPrivacy::verdict(window.title, std::nullopt, std::nullopt,
                                              config.skipPrivateWindows, config.excludedSites);
    }
    Facts& facts = found->second;
    facts.lastSeen = now;
    if (!facts.privateMarker && facts.unmatched) {
        return std::nullopt;
    }
    std::optional<std::string> url;
    if (const auto entry = facts.urls.find(title);
        entry != facts.urls.end() && now - entry->second.at < urlFreshness) {
        url = entry->second.url;
    }
    return ostrel::WindowPrivacy::verdict(window.title, url, facts.privateMarker, config.skipPrivateWindows,
                                          config.excludedSites);
}

void BrowserPrivacy::inspect(const ostrel::ScreenWindow& window, AccessibleWindows& cache, double now) {
    auto known = cache.find(window.pid);
    if (known == cache.end()) {
        known = cache.emplace(window.pid, inspector_.windows(window.pid)).first;
    }
    // Accessibility reports the application's own area, without the window manager's decorations.
    std::vector<const AXWindow*> candidates;
    for (const AXWindow& accessible : known->second) {
        if (accessible.frame && sameFrame(*accessible.frame, window.contentFrame(), frameTolerance)) {
            candidates.push_back(&accessible);
        }
    }
    const std::string title = window.title.value_or("");
    const AXWindow* match = nullptr;
    if (candidates.size() == 1) {
        match = candidates.front();
    } else {
        const auto titled =
            std::find_if(candidates.begin(), candidates.end(),
                         [&](const AXWindow* candidate) { return candidate->title.value_or("") == title; });
        match = titled == candidates.end() ? nullptr : *titled;
    }
    if (!match) {
        Facts& facts = facts_.try_emplace(window.id, Facts{std::nullopt, false, {}, now, now}).first->second;
        facts.unmatched = true;
        facts.lastAttempt = now;
        return;
    }
    const WindowInspector::Page page = inspector_.browserPage(match->element, true);
    // An address is filed only under the title it was seen with.
    const std::optional<std::string> titleKey =
        match->title.value_or("") == title ? std::optional(title) : std::nullopt;
    record(page.url, page.privateMarker, window.id, titleKey, now);
}

} // namespace vesperline
