#include "Model/AppModel.h"

#include "Rules/PolicyEngine.h"
#include "Runtime/WhenFinished.h"
#include "Store/SegmentManager.h"

#include <QtConcurrent/QtConcurrentRun>

#include <mutex>

namespace vesperline {

namespace {

QTimeZone zoneOf(const Format& format) {
    const QTimeZone zone(QByteArray::fromStdString(format.timeZoneID()));
    return zone.isValid() ? zone : QTimeZone::systemTimeZone();
}

} // namespace

const std::vector<AppModel::Section>& AppModel::allSections() {
    static const std::vector<Section> sections{Section::search, Section::timeline, Section::journal,
                                               Section::ask, Section::resources};
    return sections;
}

QString AppModel::rawValue(Section section) {
    switch (section) {
    case Section::search:
        return QStringLiteral("search");
    case Section::timeline:
        return QStringLiteral("timeline");
    case Section::journal:
        return QStringLiteral("journal");
    case Section::ask:
        return QStringLiteral("ask");
    case Section::resources:
        return QStringLiteral("resources");
    }
    return {};
}

std::optional<AppModel::Section> AppModel::sectionFromRaw(const QString& raw) {
    for (Section section : allSections()) {
        if (rawValue(section) == raw) {
            return section;
        }
    }
    return std::nullopt;
}

QString AppModel::title(Section section) {
    switch (section) {
    case Section::search:
        return tr("Search");
    case Section::timeline:
        return tr("Timeline");
    case Section::journal:
        return tr("Journal");
    case Section::ask:
        return tr("Ask");
    case Section::resources:
        return tr("Resources");
    }
    return {};
}

AppModel::AppModel(std::unique_ptr<StoreHub> hub, std::unique_ptr<AppSettings> settings, Services services,
                   QObject* parent)
    : QObject(parent), services_(std::move(services)), zone_(zoneOf(services_.format)),
      retentionInputs_(std::make_shared<RetentionInputs>()), hub_(std::move(hub)),
      settings_(std::move(settings)),
      power_(std::make_unique<PowerMonitor>(services_.powerSource, services_.delays)),
      systemEvents_(std::make_unique<SystemEventsMonitor>(services_.systemEventSource)),
      appLock_(std::make_unique<AppLock>(services_.clock, services_.passwordCheck, services_.passwordPrompt)),
      ai_(std::make_unique<AIService>(services_.languageModel, services_.clock, services_.format,
                                      AIService::FirstCheck::onRefresh)),
      hotKeys_(std::make_unique<HotKeyManager>(services_.shortcut)),
      imageLoader_(std::make_unique<FrameImageLoader>(services_.videoFiles, hub_->framesDirectory())),
      recorder_(std::make_unique<Recorder>(
          *hub_, Recorder::Services{services_.capture, services_.displays, services_.windowServer,
                                    services_.workspace, services_.accessibility, services_.recognizer,
                                    services_.userIdle, services_.videoFiles, services_.frontmost,
                                    services_.timers, services_.clock, services_.ownPid,
                                    services_.preferredLanguages, services_.freeSpace})),
      tracker_(std::make_unique<ActivityTracker>(*hub_, services_.userIdle, services_.ownPid,
                                                 services_.frontmost, services_.clock)),
      backlog_(std::make_unique<OCRBacklog>(*hub_, recorder_->ocr(), *imageLoader_, services_.clock)),
      rewriter_(services_.videoFiles),
      retention_(std::make_unique<RetentionManager>(
          *hub_,
          [this](const std::filesystem::path& source, const std::set<std::int64_t>& keep,
                 const std::filesystem::path& destination,
                 float quality) { return rewriter_.rewrite(source, keep, destination, quality); },
          [this](const std::string& path) { imageLoader_->forget(path); }, services_.clock)),
      resources_(std::make_unique<ResourceMonitor>(*hub_, services_.processResources, services_.powerSource,
                                                   services_.clock)),
      mainSearch_(std::make_unique<SearchModel>(*hub_, services_.clock, services_.delays)),
      // A new recorder's policy: its standard configuration on external power.
      policy_(ostrel::PolicyEngine::policy(RecorderConfig().mode, ostrel::PowerSnapshot(),
                                           RecorderConfig().textOnly, RecorderConfig().ocrOnBattery)),
      finds_(services_.clock.now()) {
    screenPermission_ = services_.capture.hasPermission();
    accessibilityPermission_ = services_.accessibility.isTrusted();
    aiAvailability_ = currentAIAvailability();
}

AppModel::~AppModel() {
    segmentRecovery_.waitForFinished();
    storeReplacement_.waitForFinished();
    // What outlives the model must not call into it any more.
    services_.frontmost.setOnChange({});
    services_.displays.setChangeHandler({});
    services_.workspace.setLaunchHandler({});
    hotKeys_->setOnPress({});
    settings_->onChange = {};
}

void AppModel::start(BackgroundWork backgroundWork) {
    if (started_) {
        return;
    }
    started_ = true;
    const QPointer<AppModel> self(this);

    wireRecorder();

    services_.frontmost.setOnChange([self](const std::optional<FrontmostApp>& app) {
        if (self) {
            self->tracker_->frontmostChanged(app);
        }
    });
    services_.frontmost.start(services_.workspace);

    power_->onChange = [this](const ostrel::PowerSnapshot& snapshot) { powerChanged(snapshot); };
    power_->start();
    assign(powerSnapshot_, power_->snapshot(), &AppModel::powerSnapshotChanged);
    recorder_->updatePower(power_->snapshot());

    systemEvents_->onEvent = [this](SystemEventsMonitor::Event event) { systemEvent(event); };
    systemEvents_->start();

    services_.displays.setChangeHandler([self] {
        if (self) {
            self->recorder_->displaysChanged();
        }
    });

    services_.workspace.setLaunchHandler([self](const platform::RunningApplication& application) {
        if (self) {
            self->recorder_->appLaunched(application.bundleID);
        }
    });

    hub_->setOnDamage([this] { storeDamaged(); });

    resources_->onUpdate = [this] { refreshStats(); };
    resources_->start();

    backlog_->onProgress = [this] { refreshStats(); };

    wireRetention();

    hotKeys_->setOnPress([self] {
        if (self && self->windows_) {
            self->windows_->toggleQuickSearch();
        }
    });

    settings_->onChange = [this] { applySettings(); };
    applySettings();

    if (const std::optional<ostrel::Time> until = settings_->pausedUntil()) {
        if (*until > services_.clock.now()) {
            recorder_->setBlock(Recorder::Block::paused, true);
            schedulePauseTimer();
        } else {
            settings_->setPausedUntil(std::nullopt);
        }
    }

    // This platform has no updater to start: `updater_` only tells that none is configured.

    // The model's availability is checked in the background; its outcome comes later.
    connect(ai_.get(), &AIService::availabilityChanged, this,
            [this] { assign(aiAvailability_, currentAIAvailability(), &AppModel::aiAvailabilityChanged); });

    loadFinds();
    scheduleStatsTimer();
    scheduleDatabaseCheck(databaseCheckRetry);
    if (backgroundWork == BackgroundWork::now) {
        startBackgroundWork();
    }
}

void AppModel::startBackgroundWork() {
    if (!started_ || backgroundWorkStarted_) {
        return;
    }
    backgroundWorkStarted_ = true;
    ai_->refreshAvailability();
    retention_->start();
    allowBacklog();
    recoverSegmentsAndRecord();
}

void AppModel::wireRecorder() {
    Recorder::Events events;
    events.status = [this](const RecorderStatus& status) { recorderStatus(status); };
    events.skip = [this](const SkipReason& reason) {
        // Accessibility may have come on since it was last read (we switch it on ourselves): what the
        // status says of a skip must follow what holds now.
        assign(accessibilityPermission_, services_.accessibility.isTrusted(),
               &AppModel::accessibilityPermissionChanged);
        assign(skipReason_, reason, &AppModel::skipReasonChanged);
    };
    events.saved = [this](const ostrel::FrameSummary& frame, const std::optional<std::string>& project) {
        recorderSaved(frame, project);
    };
    events.policy = [this](const ostrel::CapturePolicy& policy) { recorderPolicy(policy); };
    events.userStopped = [this] { recorderUserStopped(); };
    events.saving = [this](const SavingIssue& issue) {
        assign(savingIssue_, issue, &AppModel::savingIssueChanged);
        if (onStatusChange) {
            onStatusChange();
        }
    };
    recorder_->setEvents(std::move(events));
}

void AppModel::recorderStatus(const RecorderStatus& status) {
    assign(status_, status, &AppModel::statusChanged);
    if (status.kind == RecorderStatus::Kind::recording) {
        tracker_->setEnabled(true);
        // Most applications offer their accessibility tree only while the desktop's accessibility is on.
        services_.accessibility.keepSwitchedOn();
    } else {
        tracker_->setEnabled(false);
        if (status.kind == RecorderStatus::Kind::needsPermission) {
            refreshPermissions();
        }
    }
    if (onStatusChange) {
        onStatusChange();
    }
}

void AppModel::recorderSaved(const ostrel::FrameSummary& frame, const std::optional<std::string>& project) {
    assign(lastSaved_, std::optional(frame), &AppModel::lastSavedChanged);
    tracker_->noteCapturedFrame(frame.appBundleID, frame.windowTitle, project);
    scheduleSavedRefresh();
}

void AppModel::recorderPolicy(const ostrel::CapturePolicy& policy) {
    assign(policy_, policy, &AppModel::policyChanged);
    {
        std::lock_guard lock(retentionInputs_->mutex);
        retentionInputs_->heavyWork = policy_.allowHeavyWork;
    }
    allowBacklog();
    if (onStatusChange) {
        onStatusChange();
    }
}

void AppModel::recorderUserStopped() {
    settings_->setPausedUntil(pausedUntilResumed);
    recorder_->setBlock(Recorder::Block::paused, true);
    schedulePauseTimer();
}

void AppModel::allowBacklog() {
    backlog_->setAllowed(policy_.ocrNow);
    if (policy_.ocrNow && backgroundWorkStarted_) {
        backlog_->start();
    }
}

void AppModel::powerChanged(const ostrel::PowerSnapshot& snapshot) {
    assign(powerSnapshot_, snapshot, &AppModel::powerSnapshotChanged);
    recorder_->updatePower(snapshot);
}

void AppModel::systemEvent(SystemEventsMonitor::Event event) {
    using Event = SystemEventsMonitor::Event;
    using Block = Recorder::Block;
    switch (event) {
    case Event::locked:
        recorder_->setBlock(Block::locked, true);
        appLock_->setUnlockedUntil(std::nullopt);
        hideQuickSearch();
        break;
    case Event::unlocked:
        recorder_->setBlock(Block::locked, false);
        break;
    case Event::screensaverStarted:
        recorder_->setBlock(Block::screensaver, true);
        hideQuickSearch();
        break;
    case Event::screensaverStopped:
        recorder_->setBlock(Block::screensaver, false);
        break;
    case Event::willSleep:
        recorder_->setBlock(Block::asleep, true);
        appLock_->setUnlockedUntil(std::nullopt);
        break;
    case Event::didWake:
        recorder_->setBlock(Block::asleep, false);
        recorder_->displaysChanged();
        power_->refresh();
        // The pause timer's wait stood still while the machine slept.
        schedulePauseTimer();
        break;
    case Event::screensSlept:
        recorder_->setBlock(Block::displayAsleep, true);
        break;
    case Event::screensWoke:
        recorder_->setBlock(Block::displayAsleep, false);
        recorder_->displaysChanged();
        break;
    case Event::sessionInactive:
        recorder_->setBlock(Block::sessionInactive, true);
        appLock_->setUnlockedUntil(std::nullopt);
        hideQuickSearch();
        break;
    case Event::sessionActive:
        recorder_->setBlock(Block::sessionInactive, false);
        break;
    }
}

void AppModel::hideQuickSearch() {
    if (windows_) {
        windows_->hideQuickSearch();
    }
}

void AppModel::wireRetention() {
    {
        std::lock_guard lock(retentionInputs_->mutex);
        retentionInputs_->policy = settings_->retentionPolicy();
        retentionInputs_->heavyWork = policy_.allowHeavyWork;
    }
    // These run on the retention queue: they read only the locked inputs and the recorder's queue.
    retention_->policyProvider = [inputs = retentionInputs_] {
        std::lock_guard lock(inputs->mutex);
        return inputs->policy;
    };
    retention_->heavyWorkAllowed = [inputs = retentionInputs_] {
        std::lock_guard lock(inputs->mutex);
        return inputs->heavyWork;
    };
    retention_->openSegmentPaths = [this] { return recorder_->openSegmentPaths(); };
    retention_->onFinished = [this] { refreshStats(); };
}

void AppModel::recoverSegmentsAndRecord() {
    StoreHub& hub = *hub_;
    platform::VideoFiles& files = services_.videoFiles;
    // Blocks on the store's queues, so it runs on a worker thread.
    segmentRecovery_ = QtConcurrent::run([&hub, &files] { SegmentManager::recoverOpenSegments(hub, files); });
    whenFinished(segmentRecovery_, this, [this](const QFuture<void>&) {
        if (settings_->onboardingCompleted()) {
            refreshPermissions();
            recorder_->setBlock(Recorder::Block::stopped, false);
        }
        refreshStats();
    });
}

} // namespace vesperline
