// Keeping a moment: the image road (privacy, masks, hash, text, the repeat test, recognition, the
// segment and the store), the text-only road, skips, and the save.
#include "Capture/CaptureGeometry.h"
#include "Capture/Recorder.h"
#include "Rules/AppCatalog.h"
#include "Rules/FrameGate.h"
#include "Rules/FrameMasker.h"
#include "Rules/LineSplitter.h"
#include "Rules/PerceptualHash.h"
#include "Rules/PrivacyRules.h"
#include "Rules/ProjectInference.h"
#include "Rules/WindowPrivacy.h"
#include "Runtime/Log.h"
#include "Runtime/MainThread.h"
#include "Storage/MemoryStore.h"
#include "Store/StoreHub.h"
#include "Support/Graphemes.h"

#include <algorithm>
#include <limits>

namespace vesperline {

using ostrel::WindowPrivacy::Verdict;

namespace {

std::optional<SkipReason> skipFor(Verdict verdict) {
    switch (verdict) {
    case Verdict::allow:
        return std::nullopt;
    case Verdict::privateWindow:
        return SkipReason::privateWindow();
    case Verdict::excludedSite:
        return SkipReason::excludedSite();
    case Verdict::unknown:
        return SkipReason::unverifiedBrowser();
    }
    return SkipReason::unverifiedBrowser();
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        if (!text.empty()) {
            text += '\n';
        }
        text += line;
    }
    return text;
}

} // namespace

BrowserPrivacy& Recorder::browserPrivacy() {
    if (!browserPrivacy_) {
        browserPrivacy_ = std::make_unique<BrowserPrivacy>(inspector_);
    }
    return *browserPrivacy_;
}

ostrel::Rect Recorder::displayBounds(std::uint32_t display) const {
    for (const platform::DisplayInfo& info : displays_) {
        if (info.id == display) {
            return info.bounds;
        }
    }
    return {};
}

Recorder::WindowCheck Recorder::checkFrontmostWindow(const FrontmostApp& app, const WindowSnapshot& window,
                                                     double now) {
    const std::optional<std::string>& title = window.title;
    if (!ostrel::AppCatalog::isBrowser(app.bundleID)) {
        if (!window.element) {
            return {};
        }
        // A document the window shows counts as its address.
        const std::optional<std::string> document = inspector_.browserPage(*window.element, false).url;
        if (ostrel::PrivacyRules::matchesExcludedSite(document, title, config_.excludedSites)) {
            return {SkipReason::excludedSite(), document};
        }
        return {std::nullopt, document};
    }
    // Which window of the list this is: accessibility gives the client area, the list fallback the
    // whole frame, so either may match.
    std::optional<std::uint32_t> windowID;
    if (window.frame) {
        for (const ostrel::ScreenWindow& listed : windowList_.current()) {
            if (listed.pid == app.pid &&
                (listed.contentFrame() == *window.frame || listed.frame == *window.frame)) {
                windowID = listed.id;
                break;
            }
        }
    }
    std::optional<std::string> url;
    std::optional<bool> marker;
    bool showsNoTree = false;
    BrowserPrivacy& privacy = browserPrivacy();
    BrowserPrivacy::Facts* cached = nullptr;
    if (windowID) {
        if (const auto found = privacy.facts().find(*windowID); found != privacy.facts().end()) {
            const auto entry = found->second.urls.find(title.value_or(""));
            if (found->second.privateMarker && entry != found->second.urls.end() &&
                now - entry->second.at < BrowserPrivacy::urlFreshness) {
                cached = &found->second;
                url = entry->second.url;
                marker = found->second.privateMarker;
            }
        }
    }
    if (cached) {
        cached->lastSeen = now;
    } else if (window.element) {
        const WindowInspector::Page page = inspector_.browserPage(*window.element, true);
        url = page.url;
        marker = page.privateMarker;
        showsNoTree = page.showsNoTree;
        if (windowID) {
            privacy.record(url, marker, *windowID, title, now);
        }
    }
    const Verdict verdict =
        ostrel::WindowPrivacy::verdict(title, url, marker, config_.skipPrivateWindows, config_.excludedSites);
    if (verdict == Verdict::unknown && showsNoTree) {
        // The user can do something about this one: start the browser so that it shares its tree.
        return {SkipReason::unverifiedBrowser(app.name.value_or(app.bundleID.value_or(""))), url};
    }
    return {skipFor(verdict), url};
}

std::vector<std::string> Recorder::readLines(const std::optional<platform::AccessibleElement>& element,
                                             const std::optional<ostrel::Rect>& frame, std::string& text) {
    text = element ? inspector_
                         .readText(*element, frame, WindowInspector::readTextMaxNodes,
                                   WindowInspector::readTextMaxCharacters, WindowInspector::readTextSeconds)
                         .text
                   : std::string();
    return ostrel::LineSplitter::lines(text, maxLineCharacters, maxLines);
}

void Recorder::captureFrame(std::uint32_t display, DisplayCapturer& capturer, bool isActive,
                            const FrontmostApp& app, const WindowSnapshot& window, const std::string& context,
                            double now, ostrel::Time date) {
    const DisplayCapturer::Snapshot snapshot = capturer.latestFrame();
    if (!snapshot.image) {
        return;
    }
    DisplayState state = states_.count(display) ? states_.at(display) : DisplayState{};
    // After a privacy skip, no picture that may still show what was private.
    if (state.privacySkipAt &&
        !(snapshot.latestAt > state.privacyClearAt.value_or(std::numeric_limits<double>::infinity()))) {
        return;
    }
    const ostrel::Rect bounds = displayBounds(display);
    ostrel::AppCategory category = ostrel::AppCategory::normal;
    std::optional<ostrel::RelativeRect> windowRect;
    std::optional<std::string> url;
    if (isActive) {
        category = ostrel::AppCatalog::category(app.bundleID);
        if (window.frame) {
            windowRect = CaptureGeometry::relativeWindowRect(*window.frame, bounds);
        }
        const WindowCheck check = checkFrontmostWindow(app, window, now);
        if (check.failure) {
            setSkip(*check.failure);
            capturer.resetLatest();
            state.lastCaptureAt = now;
            state.privacySkipAt = now;
            state.privacyClearAt.reset();
            states_[display] = state;
            ++pendingStats_.framesSkipped;
            return;
        }
        url = check.url;
    }

    // Every browser window on this display, frontmost or not, is judged and hidden unless allowed.
    const ostrel::WindowPrivacy::VerdictMap verdicts =
        browserPrivacy().evaluate(snapshot.latestWindows, snapshot.previousWindows, config_, now);
    const std::optional<std::vector<ostrel::Rect>> masks = ostrel::WindowPrivacy::masks(
        snapshot.previousWindows, snapshot.latestWindows, verdicts, bounds, maskPadding);
    if (!masks) {
        states_[display] = state;
        ++pendingStats_.framesSkipped;
        return;
    }
    std::optional<ostrel::BGRAImage> masked;
    if (!masks->empty()) {
        masked = ostrel::FrameMasker::mask(snapshot.image->view(), *masks);
        if (!masked) {
            states_[display] = state;
            ++pendingStats_.framesSkipped;
            return;
        }
    }
    const ostrel::BGRAImageView picture = masked ? masked->view() : snapshot.image->view();
    const std::uint64_t hash = DisplayCapturer::frameHash(picture);

    const bool ocrPreferred = category == ostrel::AppCategory::ocrPreferred;
    std::string text;
    const std::vector<std::string> lines = readLines(
        isActive && !(ocrPreferred && policy_.ocrNow) ? window.element : std::nullopt, window.frame, text);
    // Remembered even when the frame turns out to repeat the last one.
    std::vector<std::string> newLines = deduper_.filter(lines, context, date);

    const std::optional<int> distance =
        state.lastHash ? std::optional(ostrel::PerceptualHash::distance(*state.lastHash, hash))
                       : std::nullopt;
    if (state.capturedContext == context &&
        ostrel::FrameGate::isDuplicate(distance, static_cast<int>(newLines.size()), snapshot.dirtyFraction)) {
        state.lastCaptureAt = now;
        states_[display] = state;
        ++pendingStats_.framesSkipped;
        return;
    }

    ostrel::TextSource source = lines.empty() ? ostrel::TextSource() : ostrel::TextSource::accessibility();
    ostrel::OCRState ocrState = ostrel::OCRState::notNeeded;
    const bool enoughText =
        ostrel::Graphemes::boundaries(text, enoughAccessibleText).size() > enoughAccessibleText;
    if (enoughText && !ocrPreferred) {
        ocrState = ostrel::OCRState::notNeeded;
    } else if (policy_.ocrNow) {
        // Only the window's part of the picture is read; a display that is not active is read whole.
        const auto observations = ocr_.recognize(picture, windowRect);
        const std::vector<std::string> ocrLines = ostrel::LineSplitter::lines(
            joined(OCRService::orderedLines(observations)), maxLineCharacters, maxLines);
        const std::vector<std::string> newOCRLines = deduper_.filter(ocrLines, context, date);
        newLines.insert(newLines.end(), newOCRLines.begin(), newOCRLines.end());
        source.insert(ostrel::TextSource::ocr());
        ++pendingStats_.ocrRuns;
        ocrState = ostrel::OCRState::done;
    } else {
        ocrState = ostrel::OCRState::queued; // the OCR backlog reads it later
    }

    const std::optional<SegmentManager::Appended> position =
        segments_.append(picture, display, date, config_.imageQuality);
    if (!position && ocrState == ostrel::OCRState::queued) {
        ocrState = ostrel::OCRState::notNeeded; // no picture to read later
    }
    const std::optional<std::string> title = isActive ? window.title : std::nullopt;
    const std::optional<std::string> bundleID = isActive ? app.bundleID : std::nullopt;
    const std::optional<std::string> name = isActive ? app.name : std::nullopt;
    const std::optional<std::string> project =
        isActive ? ostrel::ProjectInference::infer(bundleID, name, title, url, config_.projectRules)
                 : std::nullopt;

    ostrel::NewFrame frame;
    frame.timestamp = date;
    frame.displayID = display;
    frame.appBundleID = bundleID;
    frame.appName = name;
    frame.windowTitle = title;
    frame.url = url;
    frame.project = project;
    frame.perceptualHash = hash;
    frame.width = static_cast<std::int64_t>(snapshot.width);
    frame.height = static_cast<std::int64_t>(snapshot.height);
    frame.imageState = position ? ostrel::ImageState::segment : ostrel::ImageState::none;
    if (position) {
        frame.segmentID = position->segmentID;
        frame.segmentIndex = position->index;
    }
    frame.ocrState = ocrState;
    frame.textSource = source;
    frame.lines = std::move(newLines);
    frame.windowRect = windowRect;
    saveFrame(frame, project,
              !position && segments_.diskLow() ? SavingIssue::picturesPausedForLowDisk : SavingIssue::none);

    // Advanced whether or not the insert succeeded.
    states_[display] =
        DisplayState{now, hash, context, std::nullopt, std::nullopt, std::nullopt, std::nullopt};
}

void Recorder::captureTextOnly(const FrontmostApp& app, const WindowSnapshot& window,
                               const std::string& context, std::uint32_t display, ostrel::Time date,
                               double now, double idle) {
    DisplayState state = states_.count(display) ? states_.at(display) : DisplayState{};
    const double elapsed =
        state.lastCaptureAt ? now - *state.lastCaptureAt : std::numeric_limits<double>::infinity();
    const bool sameContext = state.capturedContext == context;
    const bool due = sameContext ? elapsed >= policy_.heartbeat ||
                                       (idle >= textOnlyIdle && elapsed > idle &&
                                        elapsed >= std::max(textOnlyMinimumInterval, policy_.minInterval))
                                 : elapsed >= textOnlyContextDelay;
    if (!due) {
        return;
    }
    const WindowCheck check = checkFrontmostWindow(app, window, now);
    if (check.failure) {
        setSkip(*check.failure);
        state.lastCaptureAt = now;
        states_[display] = state;
        return;
    }
    std::string text;
    const std::vector<std::string> lines = readLines(window.element, window.frame, text);
    std::vector<std::string> newLines = deduper_.filter(lines, context, date);
    if (sameContext && newLines.empty()) {
        state.lastCaptureAt = now;
        states_[display] = state;
        return;
    }
    const ostrel::Rect bounds = displayBounds(display);
    const std::optional<std::string> project = ostrel::ProjectInference::infer(
        app.bundleID, app.name, window.title, check.url, config_.projectRules);
    ostrel::NewFrame frame;
    frame.timestamp = date;
    frame.displayID = display;
    frame.appBundleID = app.bundleID;
    frame.appName = app.name;
    frame.windowTitle = window.title;
    frame.url = check.url;
    frame.project = project;
    frame.width = static_cast<std::int64_t>(bounds.width);
    frame.height = static_cast<std::int64_t>(bounds.height);
    frame.imageState = ostrel::ImageState::none;
    frame.ocrState = ostrel::OCRState::notNeeded;
    frame.textSource = text.empty() ? ostrel::TextSource() : ostrel::TextSource::accessibility();
    frame.lines = std::move(newLines);
    if (window.frame) {
        frame.windowRect = CaptureGeometry::relativeWindowRect(*window.frame, bounds);
    }
    saveFrame(frame, project);
    state.lastCaptureAt = now;
    state.capturedContext = context;
    states_[display] = state;
}

void Recorder::skip(const SkipReason& reason, bool dropFrames, double now) {
    setSkip(reason);
    for (const auto& [display, capturer] : capturers_) {
        if (!dropFrames) {
            capturer->clearChange();
            continue;
        }
        capturer->resetLatest();
        DisplayState& state = states_[display];
        state.privacySkipAt = now;
        state.privacyClearAt.reset();
    }
}

void Recorder::saveFrame(const ostrel::NewFrame& frame, const std::optional<std::string>& project,
                         SavingIssue issue) {
    std::int64_t id = 0;
    try {
        id = hub_.sync([&](ostrel::MemoryStore& store) { return store.insertFrame(frame); });
    } catch (const std::exception& error) {
        qCCritical(Log::storage, "Frame insert failed: %s", error.what());
        setSaving(savingIssueOf(std::current_exception()));
        return;
    }
    setSaving(issue);
    ++pendingStats_.framesSaved;
    ostrel::FrameSummary summary;
    summary.id = id;
    summary.timestamp = frame.timestamp;
    summary.displayID = frame.displayID;
    summary.appBundleID = frame.appBundleID;
    summary.appName = frame.appName;
    summary.windowTitle = frame.windowTitle;
    summary.url = frame.url;
    summary.imageState = frame.imageState;
    MainThread::post(mainContext_.get(), [callback = events_.saved, summary, project] {
        if (callback) {
            callback(summary, project);
        }
    });
}

} // namespace vesperline
