#pragma once

#include "AI/AIAvailability.h"
#include "AI/AIService.h"
#include "Capture/ActivityTracker.h"
#include "Capture/FrontmostTracker.h"
#include "Capture/OCRBacklog.h"
#include "Capture/OCRService.h"
#include "Capture/PowerMonitor.h"
#include "Capture/Recorder.h"
#include "Capture/RecorderStatus.h"
#include "Capture/ResourceMonitor.h"
#include "Capture/SkipReason.h"
#include "Capture/SystemEventsMonitor.h"
#include "Model/AppLock.h"
#include "Model/AppSettings.h"
#include "Model/AppWindows.h"
#include "Model/HotKeyCombo.h"
#include "Model/HotKeyManager.h"
#include "Model/SearchModel.h"
#include "Model/TimelineRequest.h"
#include "Platform/Accessibility.h"
#include "Platform/DisplayCapture.h"
#include "Platform/Displays.h"
#include "Platform/GlobalShortcut.h"
#include "Platform/LanguageModel.h"
#include "Platform/PasswordCheck.h"
#include "Platform/PowerSource.h"
#include "Platform/ProcessResources.h"
#include "Platform/SystemEventSource.h"
#include "Platform/TextRecognizer.h"
#include "Platform/UserIdle.h"
#include "Platform/VideoFiles.h"
#include "Platform/WindowServer.h"
#include "Platform/Workspace.h"
#include "Rules/CapturePolicy.h"
#include "Rules/PowerSnapshot.h"
#include "Rules/RetentionPolicy.h"
#include "Runtime/Delays.h"
#include "Runtime/SystemClock.h"
#include "Runtime/TimerSource.h"
#include "SharedKit/UpdaterController.h"
#include "Storage/DayStats.h"
#include "Storage/FindCounter.h"
#include "Storage/FrameSummary.h"
#include "Storage/StorageBreakdown.h"
#include "Store/Format.h"
#include "Store/FrameImageLoader.h"
#include "Store/RetentionManager.h"
#include "Store/SegmentRewriter.h"
#include "Store/StoreHub.h"

#include <QFuture>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimeZone>

#include <chrono>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vesperline {

// The application's central object: it owns every long-lived service, holds the state the windows,
// the tray popover and the status item show, turns the services' reports into that state, and
// carries the user's operations on it. One instance lives from start-up to the end of the process,
// on the main thread; every operation and signal below belongs to the main thread.
//
// Observable state: one property per field, each with its changed signal, emitted only when the
// value really changes, except `today` and `storage`, whose signals follow every refresh.
//
//   status, skipReason, policy, powerSnapshot   what the recorder does and why, the capture policy
//                                               and the machine's power state
//   lastSaved                                   the moment stored last (none after a deletion)
//   savingIssue                                 whether moments and pictures reach the memory
//   today, storage, pendingOCR                  today's statistics, the disk use, the recognition
//                                               backlog (`refreshStats`)
//   finds                                       how often the user found what they looked for
//   screenPermission, accessibilityPermission,  what the desktop lets the app read, and whether the
//   aiAvailability                              local language model can be used
//                                               (`refreshPermissions`)
//   hotKeyConflict                              another program holds the global shortcut
//   maintenanceRunning                          a tidy-up pass runs
//   section, timelineRequest, searchSeed        what the main window shows (navigation below)
//
// The texts of the status lines are made in one place: `statusText`, `pauseText` and `skipText`.
//
// Life: construction creates every service and starts nothing; `start` (once, after the window
// manager and the status item exist) wires the services' reports to the model in a fixed order,
// applies the settings and starts the services. Settings reach the services only through
// `applySettings`, which every assignment of a setting calls.
class AppModel final : public QObject {
    Q_OBJECT
    Q_PROPERTY(vesperline::RecorderStatus status READ status NOTIFY statusChanged)
    Q_PROPERTY(vesperline::SkipReason skipReason READ skipReason NOTIFY skipReasonChanged)
    Q_PROPERTY(ostrel::CapturePolicy policy READ policy NOTIFY policyChanged)
    Q_PROPERTY(ostrel::PowerSnapshot powerSnapshot READ powerSnapshot NOTIFY powerSnapshotChanged)
    Q_PROPERTY(std::optional<ostrel::FrameSummary> lastSaved READ lastSaved NOTIFY lastSavedChanged)
    Q_PROPERTY(vesperline::SavingIssue savingIssue READ savingIssue NOTIFY savingIssueChanged)
    Q_PROPERTY(std::optional<ostrel::DayStats> today READ today NOTIFY todayChanged)
    Q_PROPERTY(ostrel::StorageBreakdown storage READ storage NOTIFY storageChanged)
    Q_PROPERTY(bool screenPermission READ screenPermission NOTIFY screenPermissionChanged)
    Q_PROPERTY(
        bool accessibilityPermission READ accessibilityPermission NOTIFY accessibilityPermissionChanged)
    Q_PROPERTY(qint64 pendingOCR READ pendingOCR NOTIFY pendingOCRChanged)
    Q_PROPERTY(bool maintenanceRunning READ maintenanceRunning NOTIFY maintenanceRunningChanged)
    Q_PROPERTY(vesperline::AIAvailability aiAvailability READ aiAvailability NOTIFY aiAvailabilityChanged)
    Q_PROPERTY(ostrel::FindCounter finds READ finds NOTIFY findsChanged)
    Q_PROPERTY(bool hotKeyConflict READ hotKeyConflict NOTIFY hotKeyConflictChanged)
    Q_PROPERTY(Section section READ section WRITE setSection NOTIFY sectionChanged)
    Q_PROPERTY(std::optional<vesperline::TimelineRequest> timelineRequest READ timelineRequest WRITE
                   setTimelineRequest NOTIFY timelineRequestChanged)
    Q_PROPERTY(std::optional<QString> searchSeed READ searchSeed WRITE setSearchSeed NOTIFY searchSeedChanged)
    Q_PROPERTY(
        int damagedDatabaseRecoveries READ damagedDatabaseRecoveries NOTIFY damagedDatabaseRecoveriesChanged)

  public:
    // The main window's sections, in the sidebar's order.
    enum class Section { search, timeline, journal, ask, resources };
    Q_ENUM(Section)

    static const std::vector<Section>& allSections();
    // "search", "timeline", "journal", "ask", "resources".
    static QString rawValue(Section section);
    // None for any other text.
    static std::optional<Section> sectionFromRaw(const QString& raw);
    // The title shown in the sidebar: "Search", "Timeline", ...
    static QString title(Section section);

    // How long a pause lasts.
    struct PauseOption {
        enum class Kind { minutes, untilTomorrow, untilResumed };
        Kind kind = Kind::untilResumed;
        std::int64_t minutes = 0; // for `minutes`

        static PauseOption forMinutes(std::int64_t count) { return {Kind::minutes, count}; }
        static PauseOption untilTomorrow() { return {Kind::untilTomorrow, 0}; }
        static PauseOption untilResumed() { return {Kind::untilResumed, 0}; }
    };

    // The stored end of a pause that lasts until the user resumes; an end at or after it never
    // comes by itself.
    static constexpr ostrel::Time pausedUntilResumed = 64'092'211'200;
    // The longest the pause timer waits before it looks at the wall clock again: a suspended
    // machine does not count the time it sleeps, so no single wait may be trusted for long.
    static constexpr double longestPauseWait = 86'400;
    // The hour of the next morning that ends a pause until tomorrow.
    static constexpr int morningHour = 8;
    static constexpr double statsInterval = 60;
    static constexpr double statsLeeway = 10;
    // Moments saved in a burst refresh the statistics once, this long after the first.
    static constexpr double savedRefreshDelay = 8;
    // The database's structure is checked this long after start and after a check that was put off
    // or stopped, and this long after one that ended; only once the user has left the keyboard and
    // pointer alone for a while, and for at most the budget.
    static constexpr double databaseCheckRetry = 600;
    static constexpr double databaseCheckInterval = 6 * 3600;
    static constexpr double databaseCheckIdle = 120;
    static constexpr std::chrono::milliseconds databaseCheckBudget{20000};

    // The parts of the system the services read and drive; they must outlive the model.
    struct Services {
        platform::DisplayCapture& capture;
        platform::Displays& displays;
        platform::WindowServer& windowServer;
        platform::Workspace& workspace;
        platform::Accessibility& accessibility;
        platform::TextRecognizer& recognizer;
        platform::UserIdle& userIdle;
        platform::VideoFiles& videoFiles;
        platform::PowerSource& powerSource;
        platform::ProcessResources& processResources;
        platform::SystemEventSource& systemEventSource;
        platform::GlobalShortcut& shortcut;
        platform::PasswordCheck& passwordCheck;
        platform::LanguageModel& languageModel;
        // The app lock's password prompt (the app's dialog).
        AppLock::PromptFactory passwordPrompt;
        FrontmostTracker& frontmost = FrontmostTracker::shared();
        TimerSource& timers = TimerSource::standard();
        Delays& delays = systemDelays();
        const ostrel::Clock& clock = systemClock();
        // The locale and time zone of the texts and of "tomorrow morning".
        const Format& format = Format::current();
        std::int32_t ownPid = Recorder::currentProcessID();
        std::vector<std::string> preferredLanguages = OCRService::systemPreferredLanguages();
        // Free bytes of the data folder's disk.
        SegmentManager::FreeSpace freeSpace = SegmentManager::volumeFreeSpace;
    };

    // Takes the store and the settings; creates every other service, starting none.
    AppModel(std::unique_ptr<StoreHub> hub, std::unique_ptr<AppSettings> settings, Services services,
             QObject* parent = nullptr);
    ~AppModel() override;
    AppModel(const AppModel&) = delete;
    AppModel& operator=(const AppModel&) = delete;

    // When `start` begins the work that loads the video, text recognition and language-model
    // back-ends (`startBackgroundWork`): at once, or when the application asks, so that loading them
    // does not hold up its first window.
    enum class BackgroundWork { now, whenAsked };

    // Wires every service's reports to the model and starts the services, in this order: recorder
    // events; the frontmost application (to the activity tracker); power; the session's events;
    // display changes; application launches; store damage; resource sampling; the recognition
    // backlog's progress; retention's inputs; the hot key; settings changes; `applySettings`; a pause
    // carried over from the last run (ended by now: cleared); the find counter; the statistics timer;
    // then the background work, now or when asked. Call once.
    void start(BackgroundWork backgroundWork = BackgroundWork::now);
    // The work that reaches the back-ends: the language model's first availability check, retention,
    // the recognition backlog and, after the segments the last run left open are repaired, recording
    // (once the tour was completed) and a statistics refresh. Does nothing before `start` and after
    // the first call.
    void startBackgroundWork();

    // ---- The services (owned; they live as long as the model) ---------------------------------------
    AppSettings& settings() const { return *settings_; }
    StoreHub& hub() const { return *hub_; }
    Recorder& recorder() const { return *recorder_; }
    ActivityTracker& tracker() const { return *tracker_; }
    OCRBacklog& backlog() const { return *backlog_; }
    RetentionManager& retention() const { return *retention_; }
    ResourceMonitor& resources() const { return *resources_; }
    PowerMonitor& power() const { return *power_; }
    SystemEventsMonitor& systemEvents() const { return *systemEvents_; }
    const UpdaterController& updater() const { return updater_; }
    AppLock& appLock() const { return *appLock_; }
    AIService& ai() const { return *ai_; }
    HotKeyManager& hotKeys() const { return *hotKeys_; }
    // The one picture loader of the process.
    FrameImageLoader& imageLoader() const { return *imageLoader_; }
    // The search screen's model (the quick-search panel has one of its own).
    SearchModel& mainSearch() const { return *mainSearch_; }
    const Format& format() const { return services_.format; }
    // The running applications the desktop reports.
    platform::Workspace& workspace() const { return services_.workspace; }
    const ostrel::Clock& clock() const { return services_.clock; }

    // The window manager, held weakly; set by the application once it exists.
    void setWindows(AppWindows* windows) { windows_ = windows; }
    AppWindows* windows() const { return windows_; }

    // Called after every status report of the recorder, also one that repeats the status, and after
    // every change of the policy or of saving: the status item redraws its icon.
    std::function<void()> onStatusChange;

    // ---- Observable state -------------------------------------------------------------------------
    const RecorderStatus& status() const { return status_; }
    const SkipReason& skipReason() const { return skipReason_; }
    const ostrel::CapturePolicy& policy() const { return policy_; }
    const ostrel::PowerSnapshot& powerSnapshot() const { return powerSnapshot_; }
    const std::optional<ostrel::FrameSummary>& lastSaved() const { return lastSaved_; }
    SavingIssue savingIssue() const { return savingIssue_; }
    const std::optional<ostrel::DayStats>& today() const { return today_; }
    const ostrel::StorageBreakdown& storage() const { return storage_; }
    bool screenPermission() const { return screenPermission_; }
    bool accessibilityPermission() const { return accessibilityPermission_; }
    qint64 pendingOCR() const { return pendingOCR_; }
    bool maintenanceRunning() const { return maintenanceRunning_; }
    const AIAvailability& aiAvailability() const { return aiAvailability_; }
    const ostrel::FindCounter& finds() const { return finds_; }
    bool hotKeyConflict() const { return hotKeyConflict_; }
    Section section() const { return section_; }
    // The sidebar picks a section.
    void setSection(Section section);
    const std::optional<TimelineRequest>& timelineRequest() const { return timelineRequest_; }
    // The timeline screen clears the request it took.
    void setTimelineRequest(std::optional<TimelineRequest> request);
    const std::optional<QString>& searchSeed() const { return searchSeed_; }
    // The search screen clears the seed it took.
    void setSearchSeed(std::optional<QString> seed);

    // A damaged database was reported and is being dealt with; further reports are ignored.
    bool handlingDamage() const { return handlingDamage_; }
    // How often the database was replaced after damage while the app ran.
    int damagedDatabaseRecoveries() const { return damagedDatabaseRecoveries_; }

    // Set by the application before `start`. Shows the database alert and waits for the answer: true
    // for the first button ("Start a New Memory"), false for "Quit Vesperline".
    std::function<bool(bool damaged, const QString& message)> presentDatabaseAlert;
    // Set by the application before `start`. Tells that a damaged database was rebuilt with nothing
    // lost, and waits until that was read; nothing is told when unset.
    std::function<void()> tellDatabaseRebuilt;
    // Ends the application through its normal quit. Quits the application's event loop when unset.
    std::function<void()> terminate;
    // Ends the application through `terminate`: the same drain as every other way of quitting.
    void quitApplication();

    // ---- Settings -----------------------------------------------------------------------------------
    // Carries the current settings into the services: the recorder's configuration and the activity
    // tracker's lists always; the hot key only when it or its switch changed since the last time; the
    // assistants' switch in the database only when it changed (a failed write is tried again on the
    // next call); the backup exclusion of the data folder always (a failure is ignored and tried
    // again next time); and the recognition backlog's permission to run always.
    void applySettings();

    // ---- Pause and resume ---------------------------------------------------------------------------
    // Starts or replaces a pause: stored in the settings (so it outlives a restart), recording held,
    // the pause timer armed.
    void pause(const PauseOption& option);
    // Ends a pause at once.
    void resume();
    // (Re)arms the pause timer from the stored end: no timer without a pause or for one until
    // resumed. A wait lasts at most a day and ends by comparing the wall clock with the end.
    void schedulePauseTimer();
    // When a pause that starts at `now` ends: `now` + the minutes; 08:00 of the next calendar day in
    // `zone` (across changes of the clocks); or `pausedUntilResumed`.
    static ostrel::Time pauseEnd(const PauseOption& option, ostrel::Time now, const QTimeZone& zone);
    // Whether a pause stored to end at `until` ends by itself (it is not one until resumed).
    static bool pauseEndsByItself(ostrel::Time until);

    // ---- Forgetting, deleting and erasing (AppModelDeletion.cpp) ----------------------------------
    // Each one holds the activity tracker (its open span ended) and capture (the open segments
    // finished), changes the database, rewrites the video segments that held deleted moments under the
    // segment lock, optimises the text index and checkpoints the journal, then lets capture and
    // tracking go on, drops every cached picture, forgets `lastSaved` and refreshes the figures;
    // `done` runs on the main thread at the very end, whatever came of it. Failures are logged and
    // the operation goes on; none is shown.
    //
    // These and the damaged-database recovery run one after another through one queue, and capture
    // stays held from the first until the last queued one has ended: one never ends the hold that
    // another still counts on.
    //
    // Forgets the last `minutes` minutes (up to 5 s ahead of now, so a moment of this second goes).
    void deleteRecent(std::int64_t minutes, std::function<void()> done = {});
    // Forgets every moment with `from` <= time < `to`, and that time of the activity spans.
    void deleteRange(ostrel::Time from, ostrel::Time to, std::function<void()> done = {});
    // Deletes the listed moments.
    void deleteFrame(std::vector<std::int64_t> ids, std::function<void()> done = {});
    // Erases the whole memory and starts a new, empty one; the settings are applied to it again and
    // the find count is carried over.
    void eraseAll(std::function<void()> done = {});
    // One retention pass at once ("Tidy up now"), unless one runs already; it takes the segment lock
    // itself, so it waits for a deletion's rewrites and a deletion waits for it.
    void runMaintenance();
    // A destructive operation or the recovery runs or waits its turn.
    bool operationsPending() const { return operationRunning_; }

    // ---- Statistics, finds, permissions -------------------------------------------------------------
    // Starts the month's find count afresh in a new month, then reloads `today`, `storage` and
    // `pendingOCR` on the store's read queue. A failed read leaves no statistics for today, keeps the
    // storage figures and counts no backlog.
    void refreshStats();
    // Reads the stored find counter once; a failed read keeps the current one.
    void loadFinds();
    // Counts one find (the user opened a result); a counted one is written to the store.
    void recordFind();
    // Reads again whether the screen can be read (an X display we can read) and accessibility is on
    // (the accessibility bus answers), and whether the language model can be used.
    void refreshPermissions();
    // Asks the desktop to let Vesperline read other applications' text (the session's accessibility
    // switched on); a grant shows at the next `refreshPermissions`.
    void requestAccessibility();

    // ---- The app lock ---------------------------------------------------------------------------------
    // Calls `then` on the main thread once the memory may be shown or changed: at once while the
    // app-lock setting is off; otherwise after the lock's answer to `reason` ("open your screen
    // memory"), and only when it is yes. Nothing is called once `receiver` is gone.
    void whenUnlocked(const QString& reason, QObject* receiver, std::function<void()> then);

    // ---- Navigation: each sets what the main window shows, then opens it --------------------------
    void openSection(Section section);
    // The timeline at a moment.
    void openTimeline(std::int64_t frameID, ostrel::Time at);
    // The timeline on the day of `date`.
    void openTimelineAtDate(ostrel::Time date);
    // The search screen with `text` to search for.
    void openSearch(const QString& text);

    // ---- Status texts (StatusTexts.h) ------------------------------------------------------------
    // What the recorder does, in words: "Recording", "Paused", ..., or that moments are not being
    // saved while it records.
    QString statusText() const;
    // "Paused until ..." while a pause lasts; none otherwise.
    std::optional<QString> pauseText() const;
    // The line under the status: the pause, else why moments or pictures are not saved, else why
    // nothing is recorded, else how power shapes recording; none when there is nothing to say.
    std::optional<QString> skipText() const;

  signals:
    void statusChanged();
    void skipReasonChanged();
    void policyChanged();
    void powerSnapshotChanged();
    void lastSavedChanged();
    void savingIssueChanged();
    void todayChanged();
    void storageChanged();
    void screenPermissionChanged();
    void accessibilityPermissionChanged();
    void pendingOCRChanged();
    void maintenanceRunningChanged();
    void aiAvailabilityChanged();
    void findsChanged();
    void hotKeyConflictChanged();
    void sectionChanged();
    void timelineRequestChanged();
    void searchSeedChanged();
    // The store found its database damaged (once per damage); `handlingDamage` is set.
    void databaseDamaged();
    void damagedDatabaseRecoveriesChanged();

  private:
    struct Figures {
        std::optional<ostrel::DayStats> today;
        std::optional<ostrel::StorageBreakdown> storage;
        std::int64_t pendingOCR = 0;
    };

    // Assigns `value` and emits `changed` when it differs.
    template <typename T> void assign(T& field, T value, void (AppModel::*changed)()) {
        if (field == value) {
            return;
        }
        field = std::move(value);
        emit(this->*changed)();
    }

    // Reports of the services (AppModel.cpp).
    void wireRecorder();
    void recorderStatus(const RecorderStatus& status);
    void recorderSaved(const ostrel::FrameSummary& frame, const std::optional<std::string>& project);
    void recorderPolicy(const ostrel::CapturePolicy& policy);
    void recorderUserStopped();
    void powerChanged(const ostrel::PowerSnapshot& snapshot);
    void systemEvent(SystemEventsMonitor::Event event);
    void storeDamaged();
    void wireRetention();
    void recoverSegmentsAndRecord();
    void hideQuickSearch();
    // Lets the recognition backlog run when the policy allows it now (and the background work began).
    void allowBacklog();

    // Settings (AppModelSettings.cpp).
    void applyHotKey();
    void applyAssistantsSwitch();

    // Pause (AppModelPause.cpp).
    void pauseTimerFired();
    // Calls `block` once `seconds` (give or take `leeway`) have passed, unless `receiver` is reset or
    // replaced first; it is replaced here, so the wait armed with it before is cancelled.
    void armWait(std::unique_ptr<QObject>& receiver, double seconds, double leeway,
                 std::function<void()> block);

    // Statistics (AppModelStatistics.cpp).
    void scheduleStatsTimer();
    void scheduleSavedRefresh();
    void showFigures(const Figures& figures);
    AIAvailability currentAIAvailability() const;

    // Navigation (AppModelNavigation.cpp).
    void openMain();

    // The queue of destructive operations (AppModelDeletion.cpp). A body changes the store and calls
    // `finished` once its part is over; the queue then ends the hold when nothing else waits, drops the
    // cached pictures, refreshes the figures and calls the operation's `done`.
    using OperationBody = std::function<void(std::function<void()> finished)>;
    struct QueuedOperation {
        OperationBody body;
        std::function<void()> done;
    };
    void enqueueOperation(OperationBody body, std::function<void()> done, bool urgent = false);
    void runNextOperation();
    void holdCaptureAndTracking(std::function<void()> then);
    void releaseCaptureAndTracking();
    // Runs `change` on the write queue, then the segment rewrites and the tidy-up, then `finished`.
    void changeAndRewrite(std::function<void(ostrel::MemoryStore&)> change, const char* what,
                          std::function<void()> finished);
    void tidyDatabase(std::function<void()> finished);
    // After the store was replaced by a new database: the settings and the find count go into it.
    void refillNewDatabase();
    void endOperation();

    // Damage (AppModelRecovery.cpp): a rebuild first, then the question.
    void handleDatabaseDamage(std::function<void()> finished);
    void askAboutDamage(std::function<void()> finished);
    // The check for damage no read met (AppModelDatabaseCheck.cpp).
    void scheduleDatabaseCheck(double delay);
    void checkDatabaseWhenIdle();

    // What the retention manager asks from its own thread: kept here under a lock, brought up to
    // date on the main thread whenever the settings or the capture policy change.
    struct RetentionInputs {
        std::mutex mutex;
        ostrel::RetentionPolicy policy;
        bool heavyWork = true;
    };

    Services services_;
    QTimeZone zone_;
    std::shared_ptr<RetentionInputs> retentionInputs_;
    std::unique_ptr<StoreHub> hub_;
    std::unique_ptr<AppSettings> settings_;
    std::unique_ptr<PowerMonitor> power_;
    std::unique_ptr<SystemEventsMonitor> systemEvents_;
    UpdaterController updater_;
    std::unique_ptr<AppLock> appLock_;
    std::unique_ptr<AIService> ai_;
    std::unique_ptr<HotKeyManager> hotKeys_;
    std::unique_ptr<FrameImageLoader> imageLoader_;
    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<ActivityTracker> tracker_;
    std::unique_ptr<OCRBacklog> backlog_;
    SegmentRewriter rewriter_;
    std::unique_ptr<RetentionManager> retention_;
    std::unique_ptr<ResourceMonitor> resources_;
    std::unique_ptr<SearchModel> mainSearch_;
    QPointer<AppWindows> windows_;

    bool started_ = false;
    bool backgroundWorkStarted_ = false;
    // The repair of the segments the last run left open, waited for before the store goes.
    QFuture<void> segmentRecovery_;
    // An erase or a replacement of the database under way, waited for before the store goes; it
    // holds what the hub threw, if anything.
    QFuture<std::exception_ptr> storeReplacement_;
    // Runs `change` on the hub on a worker thread (it waits on both store queues), then `then` on
    // the main thread with what it threw, if anything.
    void replaceStore(std::function<void(StoreHub&)> change, std::function<void(std::exception_ptr)> then);
    // The receivers of the armed waits: replacing one cancels its wait.
    std::unique_ptr<QObject> pauseTimer_;
    std::unique_ptr<QObject> statsTimer_;
    std::unique_ptr<QObject> databaseCheckTimer_;
    bool statsRefreshScheduled_ = false;
    std::optional<bool> lastMCPFlag_;
    // Tells the latest write of the assistants' switch from earlier ones.
    std::uint64_t mcpWrites_ = 0;
    std::optional<HotKeyCombo> lastHotKey_;
    std::optional<bool> lastHotKeyEnabled_;
    bool handlingDamage_ = false;
    int damagedDatabaseRecoveries_ = 0;
    std::deque<QueuedOperation> operations_;
    bool operationRunning_ = false;
    bool captureHeld_ = false;

    RecorderStatus status_ = RecorderStatus::stopped();
    SkipReason skipReason_ = SkipReason::none();
    ostrel::CapturePolicy policy_;
    ostrel::PowerSnapshot powerSnapshot_;
    std::optional<ostrel::FrameSummary> lastSaved_;
    SavingIssue savingIssue_ = SavingIssue::none;
    std::optional<ostrel::DayStats> today_;
    ostrel::StorageBreakdown storage_;
    bool screenPermission_ = false;
    bool accessibilityPermission_ = false;
    std::int64_t pendingOCR_ = 0;
    bool maintenanceRunning_ = false;
    AIAvailability aiAvailability_;
    ostrel::FindCounter finds_;
    bool hotKeyConflict_ = false;
    Section section_ = Section::search;
    std::optional<TimelineRequest> timelineRequest_;
    std::optional<QString> searchSeed_;
};

} // namespace vesperline
