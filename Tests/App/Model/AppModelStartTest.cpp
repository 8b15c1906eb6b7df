// Start-up of the app model and how it turns the services' reports into state and service calls.
#include "AppModelFixture.h"

#include "Storage/MemoryStore.h"

#include <QSignalSpy>

#include <string>
#include <vector>

namespace vesperline::testing {
namespace {

using Event = platform::SystemEvent;
using platform::FakeAccessibleNode;

// Stand-ins in front of the fakes that write down, in one list, which service was started when.
struct StartLog {
    std::vector<std::string> entries;
};

class LoggedWorkspace final : public platform::Workspace {
  public:
    LoggedWorkspace(platform::Workspace& inner, StartLog& log) : inner_(inner), log_(log) {}
    std::optional<platform::RunningApplication> frontmostApplication() override {
        return inner_.frontmostApplication();
    }
    std::optional<platform::RunningApplication> runningApplication(std::int32_t pid) override {
        return inner_.runningApplication(pid);
    }
    std::vector<platform::RunningApplication> runningApplications() override {
        return inner_.runningApplications();
    }
    void
    setActivationHandler(std::function<void(std::optional<platform::RunningApplication>)> handler) override {
        log_.entries.push_back("frontmost");
        inner_.setActivationHandler(std::move(handler));
    }
    void setLaunchHandler(std::function<void(platform::RunningApplication)> handler) override {
        log_.entries.push_back(handler ? "launches" : "launches off");
        inner_.setLaunchHandler(std::move(handler));
    }

  private:
    platform::Workspace& inner_;
    StartLog& log_;
};

class LoggedPower final : public platform::PowerSource {
  public:
    LoggedPower(platform::PowerSource& inner, StartLog& log) : inner_(inner), log_(log) {}
    ostrel::PowerSnapshot read() override { return inner_.read(); }
    void watch(std::function<void()> handler) override {
        log_.entries.push_back("power");
        inner_.watch(std::move(handler));
    }
    std::optional<double> batteryCapacityWattHours() const override {
        return inner_.batteryCapacityWattHours();
    }

  private:
    platform::PowerSource& inner_;
    StartLog& log_;
};

class LoggedSystemEvents final : public platform::SystemEventSource {
  public:
    LoggedSystemEvents(platform::SystemEventSource& inner, StartLog& log) : inner_(inner), log_(log) {}
    void start(std::function<void(platform::SystemEvent)> handler, Unavailable unavailable) override {
        log_.entries.push_back("system events");
        inner_.start(std::move(handler), std::move(unavailable));
    }

  private:
    platform::SystemEventSource& inner_;
    StartLog& log_;
};

class LoggedDisplays final : public platform::Displays {
  public:
    LoggedDisplays(platform::Displays& inner, StartLog& log) : inner_(inner), log_(log) {}
    std::vector<platform::DisplayInfo> displays() override { return inner_.displays(); }
    void setChangeHandler(std::function<void()> handler) override {
        log_.entries.push_back(handler ? "displays" : "displays off");
        inner_.setChangeHandler(std::move(handler));
    }

  private:
    platform::Displays& inner_;
    StartLog& log_;
};

class LoggedShortcut final : public platform::GlobalShortcut {
  public:
    LoggedShortcut(platform::GlobalShortcut& inner, StartLog& log) : inner_(inner), log_(log) {}
    bool grab(std::uint32_t keyCode, platform::ShortcutModifiers modifiers) override {
        log_.entries.push_back("hot key");
        return inner_.grab(keyCode, modifiers);
    }
    void release() override { inner_.release(); }
    void setPressHandler(std::function<void()> handler) override {
        inner_.setPressHandler(std::move(handler));
    }
    std::optional<std::string> keyText(std::uint32_t keyCode) override { return inner_.keyText(keyCode); }
    std::optional<std::uint32_t> keyCodeOfNativeKey(std::uint32_t nativeKey) override {
        return inner_.keyCodeOfNativeKey(nativeKey);
    }

  private:
    platform::GlobalShortcut& inner_;
    StartLog& log_;
};

class AppModelStartTest : public AppModelFixture {};

TEST_F(AppModelStartTest, StartsTheServicesInOrderAndRecordsOnceTheTourWasCompleted) {
    completeOnboarding();
    StartLog log;
    LoggedWorkspace loggedWorkspace(workspace, log);
    LoggedPower loggedPower(power, log);
    LoggedSystemEvents loggedSystemEvents(systemEvents, log);
    LoggedDisplays loggedDisplays(displays, log);
    LoggedShortcut loggedShortcut(shortcut, log);
    workspaceInUse = &loggedWorkspace;
    powerInUse = &loggedPower;
    systemEventsInUse = &loggedSystemEvents;
    displaysInUse = &loggedDisplays;
    shortcutInUse = &loggedShortcut;

    create();
    EXPECT_TRUE(log.entries.empty()) << "creating the model starts nothing";
    EXPECT_EQ(systemEvents.starts, 0);
    model->start();
    EXPECT_EQ(log.entries, (std::vector<std::string>{"frontmost", "power", "system events", "displays",
                                                     "launches", "hot key"}));
    EXPECT_EQ(model->status(), RecorderStatus::stopped()) << "recording waits for the repaired segments";
    EXPECT_TRUE(eventually([&] { return model->status() == RecorderStatus::recording(false); }));
    EXPECT_TRUE(eventually([&] { return capture.runningStreams().size() == 1; }));
    EXPECT_TRUE(model->tracker().isEnabled()) << "tracking follows recording";
    EXPECT_GE(accessibility.keepOnRequests, 1) << "the desktop's accessibility is kept on while recording";
    ASSERT_TRUE(model->tracker().current().has_value());
    EXPECT_EQ(model->tracker().current()->span.appBundleID, "org.example.editor");
    stop();
    for (const char* cleared : {"launches off", "displays off"}) {
        EXPECT_EQ(std::count(log.entries.begin(), log.entries.end(), cleared), 1)
            << cleared << ": nothing outliving the model calls it any more";
    }
}

TEST_F(AppModelStartTest, AFirstRunStartsEveryServiceButKeepsTheRecorderStopped) {
    launch();
    EXPECT_EQ(systemEvents.starts, 1);
    EXPECT_GT(power.reads, 0);
    EXPECT_TRUE(shortcut.held.has_value());
    EXPECT_EQ(meta("mcp_enabled"), "0");
    QTest::qWait(20);
    drain();
    EXPECT_EQ(model->status(), RecorderStatus::stopped());
    EXPECT_TRUE(capture.streams().empty());
    EXPECT_EQ(accessibility.keepOnRequests, 0) << "not before the tour is done";
    EXPECT_EQ(model->statusText(), "Setup needed");
}

TEST_F(AppModelStartTest, ARepeatedStatusNotifiesNoObserverButStillReachesTheStatusItem) {
    launch();
    QSignalSpy changes(model.get(), &AppModel::statusChanged);
    int reports = 0;
    model->onStatusChange = [&] { ++reports; };
    // The recorder's first report is "stopped", which the model holds already.
    systemEvents.deliver(Event::unlocked);
    ASSERT_TRUE(eventually([&] { return reports == 1; }));
    EXPECT_EQ(changes.count(), 0);
    systemEvents.deliver(Event::locked);
    model->recorder().setBlock(Recorder::Block::stopped, false);
    ASSERT_TRUE(eventually([&] { return model->status() == RecorderStatus::locked(); }));
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(reports, 2);
}

TEST_F(AppModelStartTest, MissingScreenPermissionIsReadAgainWhenTheRecorderNeedsIt) {
    completeOnboarding();
    launch();
    ASSERT_TRUE(eventually([&] { return capture.runningStreams().size() == 1; }));
    EXPECT_TRUE(model->screenPermission());
    capture.setPermission(false);
    capture.runningStreams().at(0)->stopBySystem(
        platform::DisplayStreamError(platform::DisplayStreamError::Kind::permissionDenied, "refused"));
    ASSERT_TRUE(eventually([&] { return model->status() == RecorderStatus::needsPermission(); }));
    EXPECT_FALSE(model->screenPermission());
    EXPECT_FALSE(model->tracker().isEnabled());
}

TEST_F(AppModelStartTest, AccessibilityGrantedMeanwhileIsKnownWhenTheNextSkipIsTold) {
    // Off at the start; the desktop's switch comes on later (the model itself asks for it).
    accessibility.trusted = false;
    completeOnboarding();
    launch();
    ASSERT_TRUE(eventually([&] { return model->status() == RecorderStatus::recording(false); }));
    EXPECT_FALSE(model->accessibilityPermission());
    accessibility.trusted = true;
    frontmost.update(platform::RunningApplication{78, std::string("org.keepassxc.KeePassXC"), "KeePassXC"});
    ASSERT_TRUE(eventually([&] {
        clock.advance(1);
        timers.fire(1.0);
        return model->skipReason().kind == SkipReason::Kind::excludedApp;
    }));
    EXPECT_TRUE(model->accessibilityPermission()) << "the status must not ask for what was granted";
}

TEST_F(AppModelStartTest, SavedMomentsInABurstRefreshTheStatisticsOnce) {
    completeOnboarding();
    launch();
    recordTheEditor();
    const int waits = delays.pending();
    const double start = clock.uptime();
    ASSERT_TRUE(saveAMoment(40));
    const double first = clock.uptime();
    EXPECT_EQ(delays.pending(), waits + 1) << "a refresh is due";
    ASSERT_TRUE(saveAMoment(200));
    ASSERT_LT(clock.uptime() - start, AppModel::savedRefreshDelay);
    EXPECT_EQ(delays.pending(), waits + 1) << "the same refresh covers the second moment";
    ASSERT_TRUE(model->lastSaved().has_value());
    EXPECT_EQ(model->lastSaved()->windowTitle, "Draft");
    EXPECT_EQ(model->tracker().current()->span.windowTitle, "Draft") << "the moments reached the tracker";

    // The refresh comes 8 s after the first moment.
    QSignalSpy refreshes(model.get(), &AppModel::todayChanged);
    delays.advance(first + AppModel::savedRefreshDelay - clock.uptime() - 0.01);
    EXPECT_EQ(delays.pending(), waits + 1);
    delays.advance(0.02);
    EXPECT_EQ(delays.pending(), waits);
    EXPECT_TRUE(eventually([&] { return refreshes.count() > 0; }));
    // The next moment begins a new burst.
    ASSERT_TRUE(saveAMoment(120));
    EXPECT_EQ(delays.pending(), waits + 1);
}

TEST_F(AppModelStartTest, PolicyChangesReachTheModelAndTheStatusItem) {
    completeOnboarding();
    launch();
    QSignalSpy changes(model.get(), &AppModel::policyChanged);
    int reports = 0;
    model->onStatusChange = [&] { ++reports; };
    power.state = ostrel::PowerSnapshot{true, 0.05, false, 0};
    power.notify();
    ASSERT_TRUE(eventually([&] { return changes.count() == 1; }));
    EXPECT_EQ(model->powerSnapshot(), power.state);
    EXPECT_EQ(model->policy().reason, ostrel::CapturePolicy::Reason::lowBattery);
    EXPECT_FALSE(model->policy().ocrNow);
    EXPECT_GE(reports, 1);
    ASSERT_TRUE(eventually([&] { return model->status() == RecorderStatus::recording(true); }));
    EXPECT_EQ(model->skipText(), "Battery low: saving text only");
}

TEST_F(AppModelStartTest, TheUserEndingTheCapturePausesUntilResumed) {
    completeOnboarding();
    launch();
    ASSERT_TRUE(eventually([&] { return capture.runningStreams().size() == 1; }));
    capture.runningStreams().at(0)->stopBySystem(
        platform::DisplayStreamError(platform::DisplayStreamError::Kind::userStopped, "stopped by the user"));
    ASSERT_TRUE(eventually([&] { return model->status() == RecorderStatus::paused(); }));
    EXPECT_EQ(model->settings().pausedUntil(), AppModel::pausedUntilResumed);
    EXPECT_EQ(model->pauseText(), "Paused until you resume");
}

TEST_F(AppModelStartTest, SessionEventsHoldRecordingHideQuickSearchAndEndTheUnlock) {
    completeOnboarding();
    launch();
    ASSERT_TRUE(eventually([&] { return model->status() == RecorderStatus::recording(false); }));
    struct Case {
        Event start, end;
        RecorderStatus held;
        bool hidesQuickSearch, endsUnlock;
    };
    for (const Case& c : std::vector<Case>{
             {Event::locked, Event::unlocked, RecorderStatus::locked(), true, true},
             {Event::screensaverStarted, Event::screensaverStopped, RecorderStatus::locked(), true, false},
             {Event::sessionInactive, Event::sessionActive, RecorderStatus::locked(), true, true},
             {Event::willSleep, Event::didWake, RecorderStatus::asleep(), false, true},
             {Event::screensSlept, Event::screensWoke, RecorderStatus::asleep(), false, false},
         }) {
        const int event = static_cast<int>(c.start);
        const int hides = windows.hides;
        model->appLock().setUnlockedUntil(clock.now() + 100);
        systemEvents.deliver(c.start);
        EXPECT_TRUE(eventually([&] { return model->status() == c.held; })) << event;
        EXPECT_EQ(windows.hides - hides, c.hidesQuickSearch ? 1 : 0) << event;
        EXPECT_EQ(model->appLock().unlockedUntil().has_value(), !c.endsUnlock) << event;
        systemEvents.deliver(c.end);
        EXPECT_TRUE(eventually([&] { return model->status() == RecorderStatus::recording(false); })) << event;
    }
}

TEST_F(AppModelStartTest, WakingUpReadsThePowerStateAndTheDisplaysAgain) {
    completeOnboarding();
    launch();
    ASSERT_TRUE(eventually([&] { return capture.runningStreams().size() == 1; }));
    const std::size_t streams = capture.streams().size();
    power.state.onBattery = true;
    systemEvents.deliver(Event::willSleep);
    systemEvents.deliver(Event::didWake);
    EXPECT_TRUE(model->powerSnapshot().onBattery) << "read at once, without waiting for a notice";
    EXPECT_TRUE(eventually([&] {
        return capture.streams().size() > streams && capture.runningStreams().size() == 1;
    })) << "the streams start again";
}

TEST_F(AppModelStartTest, DisplayChangesAndLaunchesReachTheRecorder) {
    completeOnboarding();
    launch();
    ASSERT_TRUE(eventually([&] { return capture.runningStreams().size() == 1; }));
    std::size_t streams = capture.streams().size();
    displays.change(displays.layout);
    EXPECT_TRUE(eventually(
        [&] { return capture.streams().size() > streams && capture.runningStreams().size() == 1; }));

    // An excluded application that starts is kept out of the running stream.
    const std::string vault = ostrel::PrivacyRules::passwordManagers().front();
    const std::size_t filters = capture.runningStreams().at(0)->filterUpdates.size();
    workspace.launch(platform::RunningApplication{600, vault, "Vault"});
    EXPECT_TRUE(eventually([&] { return capture.runningStreams().at(0)->filterUpdates.size() > filters; }));
    workspace.launch(platform::RunningApplication{601, std::string("org.example.viewer"), "Viewer"});
    drain();
    EXPECT_EQ(capture.runningStreams().at(0)->filterUpdates.size(), filters + 1) << "others change nothing";
}

TEST_F(AppModelStartTest, TheHotKeyTogglesQuickSearchThroughTheWindowManager) {
    launch();
    ASSERT_TRUE(shortcut.press());
    ASSERT_TRUE(eventually([&] { return windows.toggles == 1; }));
    model->setWindows(nullptr);
    ASSERT_TRUE(shortcut.press());
    drain();
    EXPECT_EQ(windows.toggles, 1) << "without a window manager a press does nothing";
}

TEST_F(AppModelStartTest, RetentionAsksForTheSettingsHeldSafeAndTheCurrentPolicy) {
    launch();
    model->settings().setDiskCapGB(25);
    model->settings().setFullImageDays(0);
    EXPECT_EQ(model->retention().policyProvider(), (ostrel::RetentionPolicy{1, 60, 0, 26843545600}));
    EXPECT_TRUE(model->retention().heavyWorkAllowed());
    power.state = ostrel::PowerSnapshot{true, 0.9, false, 0};
    power.notify();
    ASSERT_TRUE(eventually([&] { return model->policy().reason == ostrel::CapturePolicy::Reason::battery; }));
    EXPECT_EQ(model->retention().heavyWorkAllowed(), model->policy().allowHeavyWork);
    EXPECT_FALSE(model->retention().heavyWorkAllowed());
}

} // namespace
} // namespace vesperline::testing
