#include "Capture/ActivityTracker.h"

#include "Rules/ProjectInference.h"
#include "Runtime/AppIdentity.h"
#include "Runtime/QueueTimer.h"
#include "Store/StoreHub.h"

namespace vesperline {

ActivityTracker::ActivityTracker(StoreHub& hub, platform::UserIdle& userIdle, std::int32_t ownPid,
                                 FrontmostTracker& frontmostTracker, const ostrel::Clock& clock)
    : hub_(hub), userIdle_(userIdle), frontmostTracker_(frontmostTracker), clock_(clock), ownPid_(ownPid),
      context_(std::make_unique<QObject>()) {
    // Ten seconds of slack let the system batch this wake-up with others.
    timer_.setTimerType(QueueTimer::timerType(tickIntervalMilliseconds / 1000.0, 10));
    timer_.setInterval(tickIntervalMilliseconds);
    QObject::connect(&timer_, &QTimer::timeout, [this] { checkIdle(); });
}

ActivityTracker::~ActivityTracker() = default;

void ActivityTracker::setEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    if (!enabled) {
        endCurrentSpan(clock_.now());
        timer_.stop();
        return;
    }
    timer_.start();
    beginSpan(frontmostTracker_.current(), std::nullopt, std::nullopt);
}

void ActivityTracker::checkIdle() {
    if (!enabled_) {
        return;
    }
    // Unknown idle time counts as activity: time is never taken away on a guess.
    const double idleSeconds = userIdle_.secondsSinceLastInput().value_or(0);
    if (idleSeconds >= idleThreshold) {
        if (!idle_) {
            idle_ = true;
            endCurrentSpan(clock_.now() - idleSeconds);
        }
    } else if (idle_) {
        // The user is back; the new span starts at this check, not at the first input.
        idle_ = false;
        beginSpan(frontmostTracker_.current(), std::nullopt, std::nullopt);
    } else {
        extendCurrentSpan();
    }
}

void ActivityTracker::extendCurrentSpan() {
    if (!current_) {
        return;
    }
    current_->span.end = clock_.now();
    if (current_->id) {
        postExtension(*current_->id, current_->span);
    }
}

void ActivityTracker::postExtension(std::int64_t rowID, const ostrel::ActivitySpan& span) {
    hub_.write([rowID, end = span.end, project = span.project, title = span.windowTitle](
                   ostrel::MemoryStore& store) { store.extendActivity(rowID, end, project, title); });
}

void ActivityTracker::beginSpan(const std::optional<FrontmostApp>& app,
                                const std::optional<std::string>& windowTitle,
                                const std::optional<std::string>& project) {
    // Our own windows are known by their process: their window class is not the application id.
    if (current_ || suspended || !app || !app->bundleID || app->pid == ownPid_ || *app->bundleID == appID ||
        excludedApps.contains(*app->bundleID)) {
        return;
    }
    const ostrel::Time now = clock_.now();
    ostrel::ActivitySpan span;
    span.start = now;
    span.end = now;
    span.appBundleID = app->bundleID;
    span.appName = app->name;
    span.windowTitle = windowTitle;
    span.project =
        project ? project
                : ostrel::ProjectInference::infer(app->bundleID, app->name, windowTitle, std::nullopt, rules);
    const std::uint64_t token = ++lastToken_;
    current_ = Current{std::nullopt, token, span, false};
    hub_.write(
        [span](ostrel::MemoryStore& store) { return store.insertActivity(span); }, context_.get(),
        [this, token](const StoreOutcome<std::int64_t>& outcome) { insertFinished(outcome.value, token); });
}

void ActivityTracker::insertFinished(std::optional<std::int64_t> rowID, std::uint64_t token) {
    const bool isCurrent = current_ && current_->token == token;
    if (!rowID) {
        // Nothing retries the insert, so the span's end would wait for a row id for ever.
        pendingEnds_.erase(token);
        if (isCurrent) {
            current_->insertFailed = true;
        }
        return;
    }
    if (isCurrent) {
        current_->id = rowID;
        return;
    }
    // The span ended before its row existed: its final end is written now.
    if (const auto pending = pendingEnds_.find(token); pending != pendingEnds_.end()) {
        postExtension(*rowID, pending->second);
        pendingEnds_.erase(pending);
    }
}

void ActivityTracker::endCurrentSpan(ostrel::Time date) {
    if (!current_) {
        return;
    }
    Current ended = std::move(*current_);
    current_.reset();
    ended.span.end = std::max(date, ended.span.start);
    if (ended.id) {
        postExtension(*ended.id, ended.span);
    } else if (!ended.insertFailed) {
        pendingEnds_[ended.token] = ended.span;
    }
}

void ActivityTracker::frontmostChanged(const std::optional<FrontmostApp>& app) {
    frontmost_ = app;
    if (!enabled_ || idle_) {
        return;
    }
    const std::optional<std::string> bundleID = app ? app->bundleID : std::nullopt;
    if (current_ ? bundleID == current_->span.appBundleID : !bundleID) {
        return; // the same application goes on, whatever the window
    }
    endCurrentSpan(clock_.now());
    beginSpan(app, std::nullopt, std::nullopt);
}

void ActivityTracker::noteCapturedFrame(const std::optional<std::string>& bundleID,
                                        const std::optional<std::string>& windowTitle,
                                        const std::optional<std::string>& project) {
    if (!enabled_ || idle_ || !current_ || current_->span.appBundleID != bundleID) {
        return;
    }
    if (project) {
        if (!current_->span.project) {
            current_->span.project = project;
        } else if (*current_->span.project != *project) {
            endCurrentSpan(clock_.now());
            beginSpan(frontmost_ ? frontmost_ : frontmostTracker_.current(), windowTitle, project);
            return;
        }
    }
    if (windowTitle) {
        current_->span.windowTitle = windowTitle;
    }
    extendCurrentSpan();
}

} // namespace vesperline
