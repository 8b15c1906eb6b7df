// The recorder's heartbeat: whether the frontmost application may be recorded at all, which display
// holds its window, and display by display whether the newest picture is worth keeping now.
#include "Capture/CaptureGeometry.h"
#include "Capture/Recorder.h"
#include "Rules/AppCatalog.h"
#include "Rules/FrameGate.h"
#include "Rules/PrivacyRules.h"
#include "Runtime/AppIdentity.h"

namespace vesperline {

std::string Recorder::contextKey(const std::optional<std::string>& bundleID,
                                 const std::optional<std::string>& title) {
    return bundleID.value_or("?") + contextSeparator + title.value_or("");
}

void Recorder::tick() {
    if (!running_ || holding_) {
        return;
    }
    const double now = services_.clock.uptime();
    const ostrel::Time date = services_.clock.now();
    flushStats(false);
    segments_.closeIdle(date, idleSegmentInterval);

    const std::optional<FrontmostApp> app = services_.frontmost.current();
    if (!app) {
        return;
    }
    // Our own windows: nothing to keep, but nothing private either.
    if (app->pid == services_.ownPid || app->bundleID == std::optional<std::string>(appID)) {
        skip(SkipReason::ownApp(), false, now);
        return;
    }
    if (app->bundleID && config_.excludedApps.count(*app->bundleID)) {
        skip(SkipReason::excludedApp(app->name.value_or(*app->bundleID)), true, now);
        return;
    }
    // Linux has no system-wide secure entry flag: a focused password field is the sign.
    if (inspector_.isSecureInputFocused(app->pid)) {
        skip(SkipReason::secureInput(), true, now);
        return;
    }
    const WindowSnapshot window = inspector_.snapshot(app->pid);
    if (config_.skipPrivateWindows && ostrel::PrivacyRules::isPrivateWindowTitle(window.title)) {
        skip(SkipReason::privateWindow(), true, now);
        return;
    }
    const std::string context = contextKey(app->bundleID, window.title);
    displays_ = services_.displays.displays();
    const std::uint32_t display = CaptureGeometry::displayForWindow(window.frame, displays_);
    if (display != activeDisplay_) {
        activeDisplay_ = display;
        // The single stream follows the frontmost window to its display.
        if (!config_.allDisplays) {
            reconcileStreams(false, false);
        }
    }
    const double idle = services_.userIdle.secondsSinceLastInput().value_or(0);
    setSkip(SkipReason::none());
    if (!policy_.captureImages) {
        captureTextOnly(*app, window, context, activeDisplay_, date, now, idle);
        return;
    }
    tickDisplays(*app, window, context, now, date, idle);
}

void Recorder::tickDisplays(const FrontmostApp& app, const WindowSnapshot& window, const std::string& context,
                            double now, ostrel::Time date, double idle) {
    const ostrel::AppCategory category = ostrel::AppCatalog::category(app.bundleID);
    const bool mediaApp = category == ostrel::AppCategory::media || category == ostrel::AppCategory::call;
    for (const auto& [display, capturer] : capturers_) {
        const bool isActive = display == activeDisplay_;
        const std::string label = isActive ? context : "display-" + std::to_string(display);
        const auto existing = states_.find(display);
        DisplayState state = existing == states_.end() ? DisplayState{} : existing->second;
        if (existing != states_.end() && state.privacySkipAt && !state.privacyClearAt) {
            state.privacyClearAt = now; // the privacy checks passed on this tick
        }
        if (state.capturedContext == label) {
            state.pendingContext.reset();
            state.contextChangedAt.reset();
        } else if (state.pendingContext != label) {
            // A change keeps the time it was first seen.
            state.pendingContext = label;
            state.contextChangedAt = now;
        }
        states_[display] = state;

        const DisplayCapturer::ChangeState change = capturer->changeState();
        bool mediaLike = mediaApp && isActive;
        // A screen that keeps moving while the user gives no input counts as media.
        if (!mediaLike && idle > motionIdle) {
            mediaLike = capturer->isContinuouslyChanging(now);
        }
        const ostrel::GateInput input{now,  state.lastCaptureAt,    change.changed, change.dirtyAccumulated,
                                      idle, state.contextChangedAt, mediaLike};
        if (ostrel::FrameGate::shouldCapture(input, policy_)) {
            captureFrame(display, *capturer, isActive, app, window, label, now, date);
        }
    }
}

} // namespace vesperline
