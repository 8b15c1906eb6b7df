#pragma once

#include "Capture/BrowserPrivacy.h"
#include "Capture/DisplayCapturer.h"
#include "Capture/FrontmostTracker.h"
#include "Capture/OCRService.h"
#include "Capture/RecorderBlock.h"
#include "Capture/RecorderConfig.h"
#include "Capture/RecorderStatus.h"
#include "Capture/SkipReason.h"
#include "Capture/WindowInspector.h"
#include "Capture/WindowList.h"
#include "Capture/WindowSnapshot.h"
#include "Platform/Accessibility.h"
#include "Platform/DisplayCapture.h"
#include "Platform/Displays.h"
#include "Platform/TextRecognizer.h"
#include "Platform/UserIdle.h"
#include "Platform/VideoFiles.h"
#include "Platform/WindowServer.h"
#include "Platform/Workspace.h"
#include "Rules/CapturePolicy.h"
#include "Rules/LineDeduper.h"
#include "Rules/PowerSnapshot.h"
#include "Runtime/SerialQueue.h"
#include "Runtime/SystemClock.h"
#include "Runtime/TimerSource.h"
#include "Storage/FrameSummary.h"
#include "Storage/NewFrame.h"
#include "Storage/StatsDelta.h"
#include "Store/SavingIssue.h"
#include "Store/SegmentManager.h"

#include <QFuture>
#include <QObject>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vesperline {

class StoreHub;

// The capture controller: one instance for the whole run, made by the app model with the store hub.
// All of its state lives on the recorder queue; every public operation posts its work there and
// returns at once, except `suspendCapture` (a future that finishes when the work is done) and
// `openSegmentPaths` and `shutdown`, which wait for the queue. It records only while its set of
// blocks is empty: then a tick runs every second (every two in text-only capture) and one display
// stream runs per wanted display. It tells the application what happens only through `Events`,
// always on the main thread, and only when something changed.
//
// Create and destroy it on the main thread.
class Recorder final {
  public:
    using Block = RecorderBlock;

    // Set before recording starts; each is called on the main thread with the value at posting time.
    struct Events {
        std::function<void(const RecorderStatus&)> status;
        std::function<void(const SkipReason&)> skip;
        // A stored moment and its project.
        std::function<void(const ostrel::FrameSummary&, const std::optional<std::string>&)> saved;
        std::function<void(const ostrel::CapturePolicy&)> policy;
        // The user ended the capture from the desktop's own controls; recording is paused.
        std::function<void()> userStopped;
        // Whether moments and their pictures reach the memory, after a save that changed it; none
        // again whenever recording starts.
        std::function<void(const SavingIssue&)> saving;
    };

    // What the recorder remembers of one display between ticks. Times are seconds of uptime.
    struct DisplayState {
        std::optional<double> lastCaptureAt;
        std::optional<std::uint64_t> lastHash;
        std::optional<std::string> capturedContext;
        std::optional<std::string> pendingContext;
        std::optional<double> contextChangedAt;
        std::optional<double> privacySkipAt;
        std::optional<double> privacyClearAt;
    };

    // The parts of the system the recorder reads and drives; they must outlive it.
    struct Services {
        platform::DisplayCapture& capture;
        platform::Displays& displays;
        platform::WindowServer& windowServer;
        platform::Workspace& workspace;
        platform::Accessibility& accessibility;
        platform::TextRecognizer& recognizer;
        platform::UserIdle& userIdle;
        platform::VideoFiles& videoFiles;
        FrontmostTracker& frontmost = FrontmostTracker::shared();
        TimerSource& timers = TimerSource::standard();
        const ostrel::Clock& clock = systemClock();
        // This process: its windows are never captured and its application is never recorded.
        std::int32_t ownPid = currentProcessID();
        // The user's languages, for text recognition.
        std::vector<std::string> preferredLanguages = OCRService::systemPreferredLanguages();
        // Free bytes of the data folder's disk, which new segments need.
        SegmentManager::FreeSpace freeSpace = SegmentManager::volumeFreeSpace;
    };

    static constexpr double tickDelay = 0.5;
    static constexpr double tickLeeway = 0.3;
    static constexpr double statsFlushInterval = 60;
    static constexpr double idleSegmentInterval = 120;
    static constexpr double permissionPollInterval = 3;
    static constexpr double firstRetryDelay = 3;
    static constexpr double longestRetryDelay = 60;
    static constexpr double widestStream = 3840;
    // Separates the application from the window title in a window's context key.
    static constexpr char contextSeparator = '\x1F';
    static constexpr double motionIdle = 8.0;
    static constexpr double maskPadding = 2.0;
    static constexpr std::size_t maxLineCharacters = 40000;
    static constexpr std::size_t maxLines = 2000;
    // Accessibility text this long needs no recognition.
    static constexpr std::size_t enoughAccessibleText = 250;
    static constexpr double textOnlyContextDelay = 1.5;
    static constexpr double textOnlyIdle = 1.5;
    static constexpr double textOnlyMinimumInterval = 5.0;

    Recorder(StoreHub& hub, Services services);
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    void setEvents(Events events);

    // The one text recogniser, shared with the OCR backlog.
    const OCRService& ocr() const { return ocr_; }

    // The display configuration changed: open segments close and every stream starts again.
    void displaysChanged();
    // An application was launched; an excluded one is added to the streams' filters.
    void appLaunched(const std::optional<std::string>& bundleID);
    void setBlock(Block block, bool applies);
    void updatePower(const ostrel::PowerSnapshot& power);
    void applyConfig(const RecorderConfig& config);
    // Holds capture and finishes every open segment; the future finishes when none is open.
    QFuture<void> suspendCapture();
    // Ends the hold; every display is judged afresh.
    void resumeCapture();
    // Finishes the open segments in the background, so the views see every kept picture.
    void closeAllSegments();
    // The relative paths of the segment files still being written; waits for the queue.
    std::set<std::string> openSegmentPaths();
    // At termination: stops ticking, finishes every open segment and writes the pending counts
    // before it returns. The recorder is not used again.
    void shutdown();

    // The stream configuration of a display of `width` x `height` points at `scale` pixels per point:
    // at most 3840 pixels wide (aspect kept), both sides even.
    static platform::DisplayStreamConfiguration streamConfiguration(double width, double height, double scale,
                                                                    double interval);

    static std::int32_t currentProcessID();
    // "<application id or ?>\x1F<window title>": what the user looks at, for change detection.
    static std::string contextKey(const std::optional<std::string>& bundleID,
                                  const std::optional<std::string>& title);

  private:
    struct Handle;
    struct StreamResult {
        std::optional<platform::DisplayStreamError> error;
        std::map<std::uint32_t, std::shared_ptr<DisplayCapturer>> started;
    };

    // Control (Recorder.cpp).
    void evaluateBlocks();
    void stopCapture();
    void refreshPolicy();
    void startTimer();
    void publishStatus();
    void setSkip(const SkipReason& reason);
    void flushStats(bool force);
    void tick();
    // Runs `block` on the recorder queue unless the recorder is gone.
    static void post(const std::shared_ptr<Handle>& handle, std::function<void(Recorder&)> block);
    template <typename Value> void postEvent(std::function<void(const Value&)> callback, Value value);
    void postEvent(std::function<void()> callback);

    // The tick (RecorderTick.cpp).
    void tickDisplays(const FrontmostApp& app, const WindowSnapshot& window, const std::string& context,
                      double now, ostrel::Time date, double idle);

    // Keeping a moment (RecorderCapture.cpp).
    struct WindowCheck {
        std::optional<SkipReason> failure;
        std::optional<std::string> url;
    };
    WindowCheck checkFrontmostWindow(const FrontmostApp& app, const WindowSnapshot& window, double now);
    void captureFrame(std::uint32_t display, DisplayCapturer& capturer, bool isActive,
                      const FrontmostApp& app, const WindowSnapshot& window, const std::string& context,
                      double now, ostrel::Time date);
    void captureTextOnly(const FrontmostApp& app, const WindowSnapshot& window, const std::string& context,
                         std::uint32_t display, ostrel::Time date, double now, double idle);
    void skip(const SkipReason& reason, bool dropFrames, double now);
    // `issue` is what a stored moment tells of saving: the pictures paused for a low disk, or none.
    void saveFrame(const ostrel::NewFrame& frame, const std::optional<std::string>& project,
                   SavingIssue issue = SavingIssue::none);
    void setSaving(SavingIssue issue);
    std::vector<std::string> readLines(const std::optional<platform::AccessibleElement>& element,
                                       const std::optional<ostrel::Rect>& frame, std::string& text);
    BrowserPrivacy& browserPrivacy();
    ostrel::Rect displayBounds(std::uint32_t display) const;

    // Display streams (RecorderStreams.cpp).
    void reconcileStreams(bool refreshFilters, bool restart);
    void stopStreams();
    std::set<std::uint32_t> streamTargets();
    void streamWork(std::vector<std::shared_ptr<DisplayCapturer>> stopping, platform::DisplayFilter filter,
                    bool refreshFilters, std::map<std::uint32_t, std::shared_ptr<DisplayCapturer>> remaining,
                    std::set<std::uint32_t> start, double interval);
    void applyStreamResults(StreamResult result);
    void streamStopped(const std::shared_ptr<DisplayCapturer>& capturer,
                       const platform::DisplayStreamError& error);
    void handleStreamFailure(const platform::DisplayStreamError& error);
    void startPermissionTimer();
    void updateStreamInterval(const std::shared_ptr<DisplayCapturer>& capturer, double interval);
    platform::DisplayFilter streamFilter() const;

    StoreHub& hub_;
    Services services_;
    OCRService ocr_;
    WindowInspector inspector_;
    std::unique_ptr<BrowserPrivacy> browserPrivacy_; // made on first use
    WindowList windowList_;
    SegmentManager segments_;
    // Text lines already stored per window context.
    ostrel::LineDeduper deduper_{24, 6000, 1800};

    Events events_;
    RecorderConfig config_;
    ostrel::PowerSnapshot power_;
    ostrel::CapturePolicy policy_;
    std::set<Block> blocks_{Block::stopped};
    bool running_ = false;
    bool holding_ = false;
    std::map<std::uint32_t, std::shared_ptr<DisplayCapturer>> capturers_;
    std::map<std::uint32_t, DisplayState> states_;
    std::uint32_t activeDisplay_ = 0;
    // The displays as the current tick found them.
    std::vector<platform::DisplayInfo> displays_;
    bool streamsBusy_ = false;
    bool pendingReconcile_ = false;
    bool pendingFilterUpdate_ = false;
    bool pendingRestart_ = false;
    ostrel::StatsDelta pendingStats_;
    double lastFlush_ = 0;
    SkipReason lastSkip_ = SkipReason::none();
    SavingIssue saving_ = SavingIssue::none;
    std::optional<RecorderStatus> lastStatus_;
    double streamRetryDelay_ = firstRetryDelay;
    std::unique_ptr<TimerSource::Timer> timer_;
    std::unique_ptr<TimerSource::Timer> permissionTimer_;
    // Retries scheduled after stream failures, by the number they were given.
    std::map<std::uint64_t, std::unique_ptr<TimerSource::Timer>> retries_;
    std::uint64_t nextRetry_ = 0;

    std::unique_ptr<QObject> mainContext_; // stands for the recorder on the main thread
    std::shared_ptr<Handle> handle_;       // how stream work and stop reports find the recorder
    // Stream work: strictly one task after another, off the recorder queue. Destroyed (after its
    // blocks ran) before the window list its capturers read.
    SerialQueue streams_;
    SerialQueue queue_;
};

} // namespace vesperline
