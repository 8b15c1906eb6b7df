#pragma once

#include "Capture/FrontmostApp.h"
#include "Capture/FrontmostTracker.h"
#include "Platform/UserIdle.h"
#include "Rules/ProjectRule.h"
#include "Runtime/SystemClock.h"
#include "Storage/ActivitySpan.h"

#include <QTimer>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vesperline {

class StoreHub;

// Measures how long the user actively works in each application, window and project, as activity
// spans in the database. A span covers uninterrupted activity in one frontmost application; it ends
// when another application comes to the front, the project changes, the user has been idle for
// 300 s (at the last input), or the tracker is disabled. A span is inserted when it begins and then
// only extended: every 30 s, with every saved moment of its application, and when it ends.
// Lives on the main thread; every operation is called there.
class ActivityTracker final {
  public:
    // The open span. Its row id is known once the insert has come back; `token` ties the insert's
    // completion to the span.
    struct Current {
        std::optional<std::int64_t> id;
        std::uint64_t token = 0;
        ostrel::ActivitySpan span;
        // The insert failed: the span has no row, and its end has nowhere to go.
        bool insertFailed = false;
    };

    static constexpr double idleThreshold = 300;
    static constexpr int tickIntervalMilliseconds = 30'000;

    // The hub, idle source and frontmost tracker must outlive the tracker. `ownPid` is this process:
    // its windows are ours, whatever name their window class gives them.
    ActivityTracker(StoreHub& hub, platform::UserIdle& userIdle, std::int32_t ownPid,
                    FrontmostTracker& frontmostTracker = FrontmostTracker::shared(),
                    const ostrel::Clock& clock = systemClock());
    ~ActivityTracker();
    ActivityTracker(const ActivityTracker&) = delete;
    ActivityTracker& operator=(const ActivityTracker&) = delete;

    // Set by the owner from the recorder's configuration.
    std::set<std::string> excludedApps;
    std::vector<ostrel::ProjectRule> rules;
    // Set by the owner while it deletes stored moments: no span begins meanwhile.
    bool suspended = false;

    // Enabling starts the idle checks and opens a span for the frontmost application; disabling
    // ends the open span now and stops the checks. The same value again does nothing.
    void setEnabled(bool enabled);
    bool isEnabled() const { return enabled_; }

    // Every change of the frontmost application.
    void frontmostChanged(const std::optional<FrontmostApp>& app);
    // Every saved moment, with its application, window title and project.
    void noteCapturedFrame(const std::optional<std::string>& bundleID,
                           const std::optional<std::string>& windowTitle,
                           const std::optional<std::string>& project);

    // Opens a span for the application unless one is open, the tracker is suspended, or the
    // application has no bundle identifier, is this application (by process or id) or is excluded. Without a
    // project, the project is inferred from the application and title.
    void beginSpan(const std::optional<FrontmostApp>& app, const std::optional<std::string>& windowTitle,
                   const std::optional<std::string>& project);
    // Ends the open span at `date` (at its start when `date` is earlier).
    void endCurrentSpan(ostrel::Time date);

    // The timer's work, every 30 s while enabled: closes the span at the last input once the user
    // has been idle for 300 s, opens one when the user is back, and otherwise extends it to now.
    void checkIdle();

    const std::optional<Current>& current() const { return current_; }
    bool isIdle() const { return idle_; }
    // Ends of spans whose insert has not come back yet.
    std::size_t pendingEndCount() const { return pendingEnds_.size(); }

  private:
    void extendCurrentSpan();
    void insertFinished(std::optional<std::int64_t> rowID, std::uint64_t token);
    void postExtension(std::int64_t rowID, const ostrel::ActivitySpan& span);

    StoreHub& hub_;
    platform::UserIdle& userIdle_;
    FrontmostTracker& frontmostTracker_;
    const ostrel::Clock& clock_;
    const std::int32_t ownPid_;
    std::optional<Current> current_;
    bool idle_ = false;
    bool enabled_ = false;
    std::optional<FrontmostApp> frontmost_;
    std::map<std::uint64_t, ostrel::ActivitySpan> pendingEnds_;
    std::uint64_t lastToken_ = 0;
    QTimer timer_;
    // Stands for the tracker in insert completions, so none arrives once the tracker is gone.
    std::unique_ptr<QObject> context_;
};

} // namespace vesperline
