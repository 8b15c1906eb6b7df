#include "Model/StatusTexts.h"

#include "Model/AppModel.h"

#include <QCoreApplication>

namespace vesperline::StatusTexts {

namespace {

QString text(const char* source) {
    return QCoreApplication::translate("StatusTexts", source);
}

} // namespace

QString status(const RecorderStatus& status, bool onboardingCompleted, SavingIssue saving) {
    switch (status.kind) {
    case RecorderStatus::Kind::recording:
        if (momentsAreNotSaved(saving)) {
            return text("Moments are not being saved");
        }
        return status.textOnly ? text("Recording text only") : text("Recording");
    case RecorderStatus::Kind::stopped:
        return onboardingCompleted ? text("Starting…") : text("Setup needed");
    case RecorderStatus::Kind::paused:
        return text("Paused");
    case RecorderStatus::Kind::locked:
        return text("Waiting (screen locked)");
    case RecorderStatus::Kind::asleep:
        return text("Waiting (display asleep)");
    case RecorderStatus::Kind::needsPermission:
        return text("Screen Recording permission needed");
    }
    return {};
}

std::optional<QString> pause(std::optional<ostrel::Time> pausedUntil, ostrel::Time now,
                             const Format& format) {
    if (!pausedUntil || !(*pausedUntil > now)) {
        return std::nullopt;
    }
    if (!AppModel::pauseEndsByItself(*pausedUntil)) {
        return text("Paused until you resume");
    }
    return text("Paused until %1").arg(format.momentLabel(*pausedUntil, now));
}

std::optional<QString> skip(const std::optional<QString>& pauseText, const Situation& situation) {
    if (pauseText) {
        return pauseText;
    }
    if (situation.status.kind == RecorderStatus::Kind::recording) {
        switch (situation.saving) {
        case SavingIssue::none:
            break;
        case SavingIssue::picturesPausedForLowDisk:
            return text("Pictures paused: the disk is nearly full");
        case SavingIssue::diskFull:
            return text("The disk is full: free some space and saving goes on by itself");
        case SavingIssue::notWritable:
            return text("The data folder cannot be written: saving goes on once it can");
        case SavingIssue::writeFailed:
            return text("The database could not be written: Vesperline keeps trying");
        }
    }
    switch (situation.skip.kind) {
    case SkipReason::Kind::excludedApp:
        return text("Not recording: %1 is excluded").arg(QString::fromStdString(situation.skip.appName));
    case SkipReason::Kind::ownApp:
        return std::nullopt;
    case SkipReason::Kind::secureInput:
        return text("Not recording while a password is being typed");
    case SkipReason::Kind::privateWindow:
        return text("Not recording private browser windows");
    case SkipReason::Kind::excludedSite:
        return text("Not recording an excluded website");
    case SkipReason::Kind::unverifiedBrowser:
        if (!situation.accessibilityPermission) {
            return text("Not recording browser windows: allow Accessibility so private windows can be "
                        "recognized");
        }
        if (!situation.skip.appName.empty()) {
            return text("Not recording %1: it shows no accessibility tree to check for private windows. "
                        "Start it again (a Chromium-based browser with --force-renderer-accessibility)")
                .arg(QString::fromStdString(situation.skip.appName));
        }
        return text("Not recording this browser window: couldn't check whether it's private");
    case SkipReason::Kind::none:
        break;
    }
    if (situation.status.kind != RecorderStatus::Kind::recording) {
        return std::nullopt;
    }
    if (situation.status.textOnly) {
        switch (situation.policy.reason) {
        case ostrel::CapturePolicy::Reason::thermal:
            return text("Computer is hot: saving text only");
        case ostrel::CapturePolicy::Reason::lowBattery:
            return text("Battery low: saving text only");
        case ostrel::CapturePolicy::Reason::lowPower:
            return text("Low Power Mode: saving text only");
        default:
            break;
        }
    }
    if (situation.power.onBattery && !situation.policy.ocrNow) {
        return text("On battery: reading text from images later");
    }
    return std::nullopt;
}

QString screenSessionHint() {
    return text(
        "Vesperline records the screen of an X11 session. On Wayland, log out and choose an X11 (Xorg) "
        "session at the login screen.");
}

} // namespace vesperline::StatusTexts
