#pragma once

#include "Model/AppModel.h"
#include "Platform/Fake/FakeAccessibility.h"
#include "Platform/Fake/FakeDisplayCapture.h"
#include "Platform/Fake/FakeDisplays.h"
#include "Platform/Fake/FakeGlobalShortcut.h"
#include "Platform/Fake/FakeLanguageModel.h"
#include "Platform/Fake/FakePasswordCheck.h"
#include "Platform/Fake/FakePowerSource.h"
#include "Platform/Fake/FakeProcessResources.h"
#include "Platform/Fake/FakeSystemEventSource.h"
#include "Platform/Fake/FakeTextRecognizer.h"
#include "Platform/Fake/FakeUserIdle.h"
#include "Platform/Fake/FakeVideoFiles.h"
#include "Platform/Fake/FakeWindowServer.h"
#include "Platform/Fake/FakeWorkspace.h"
#include "Platform/Fake/MemorySettingsStore.h"
#include "Storage/MemoryStore.h"
#include "Support/DamagedPages.h"
#include "Support/ManualClock.h"
#include "Support/ManualDelays.h"
#include "Support/ManualTimers.h"
#include "Support/TemporaryDirectory.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vesperline::testing {

// The window manager as the model sees it: it counts what it is asked.
class FakeWindows final : public AppWindows {
  public:
    int toggles = 0;
    int hides = 0;
    int opens = 0;
    int settingsOpens = 0;
    // The `restart` of each request for the tour.
    std::vector<bool> tours;

    void toggleQuickSearch() override { ++toggles; }
    void hideQuickSearch() override { ++hides; }
    void openMain() override { ++opens; }
    void openSettings() override { ++settingsOpens; }
    void showOnboarding(bool restart) override { tours.push_back(restart); }
};

// An app model over the fakes of the platform layer and a real store in a temporary data folder,
// with waits and timers the test steps and a clock it moves. The settings live in a store that
// outlives the model, so `restart` starts the app again over the same settings and data.
class AppModelFixture : public ::testing::Test {
  protected:
    static constexpr std::int32_t ownPid = 4242;
    // Friday 7 March 2025, 10:00 in Istanbul (UTC+3), the tests' time zone.
    static constexpr ostrel::Time friday = 1'741'330'800;

    AppModelFixture() {
        const std::vector<platform::DisplayInfo> layout{{1, {0, 0, 1920, 1080}, "main", true}};
        displays.layout = layout;
        capture.setDisplays(layout);
        workspace.frontmost = platform::RunningApplication{77, std::string("org.example.editor"), "Editor"};
    }

    void TearDown() override { stop(); }

    // The fakes as the model takes them.
    AppModel::Services services() {
        return AppModel::Services{
            capture,
            *displaysInUse,
            windowServer,
            *workspaceInUse,
            accessibility,
            recognizer,
            userIdle,
            *videoFilesInUse,
            *powerInUse,
            processResources,
            *systemEventsInUse,
            *shortcutInUse,
            passwordCheck,
            languageModel,
            passwordPrompt,
            frontmost,
            timers,
            delays,
            clock,
            *format,
            ownPid,
            {"en-US"},
            [this](const std::filesystem::path&) { return std::optional<std::int64_t>(freeBytes.load()); }};
    }

    // A model over the current settings and data folder, not started.
    AppModel& create() {
        auto hub = std::make_unique<StoreHub>(dataFolder.path(), clock);
        auto appSettings = std::make_unique<AppSettings>(defaults);
        model = std::make_unique<AppModel>(std::move(hub), std::move(appSettings), services());
        model->setWindows(&windows);
        return *model;
    }
    // Creates and starts a model, and waits until its start-up work is done: the repair of the
    // segments, recording when the tour was completed, the first statistics, and the recognition
    // backlog's first run (which refreshes the statistics when it ends).
    AppModel& launch() {
        create();
        QSignalSpy figures(model.get(), &AppModel::todayChanged);
        model->start();
        EXPECT_TRUE(eventually([&] { return figures.count() > 0 && !model->backlog().isRunning(); }));
        drain();
        return *model;
    }
    void stop() { model.reset(); }
    AppModel& restart() {
        stop();
        return launch();
    }

    // A picture of one grey; pictures of different greys are different moments.
    static ostrel::BGRAImage picture(std::uint8_t grey) {
        ostrel::BGRAImage image(90, 80);
        for (int y = 0; y < image.height; ++y) {
            std::fill(image.row(y), image.row(y) + 4 * image.width, grey);
        }
        return image;
    }

    // The editor in front with a window of text, recording under way.
    void recordTheEditor() {
        userIdle.seconds = 5;
        platform::FakeAccessibleNode window(platform::AccessibleRole::window);
        window.title = "Draft";
        window.frame = ostrel::Rect{100, 100, 800, 600};
        const platform::AccessibleElement element = accessibility.add(window);
        platform::FakeAccessibleNode label(platform::AccessibleRole::staticText);
        label.value = "Harbour report for the quarter";
        accessibility.add(label, element);
        accessibility.focusedWindowByPid[77] = element;
        frontmost.update(workspace.frontmost);
        ASSERT_TRUE(eventually([&] { return capture.runningStreams().size() == 1; }));
    }
    // Hands over a new picture and ticks a second apart until a moment is saved.
    bool saveAMoment(std::uint8_t grey) {
        QSignalSpy saved(&subject(), &AppModel::lastSavedChanged);
        return deliverUntil(grey, [&] { return !saved.isEmpty(); });
    }
    // Hands over a new picture and ticks a second apart until `done` holds (ten ticks at most).
    bool deliverUntil(std::uint8_t grey, const std::function<bool()>& done) {
        capture.runningStreams().at(0)->deliver({platform::DisplaySample::Status::complete,
                                                 std::make_shared<ostrel::BGRAImage>(picture(grey)),
                                                 std::vector<ostrel::Rect>{{0, 0, 90, 80}}});
        for (int i = 0; i < 10 && !done(); ++i) {
            clock.advance(1);
            timers.fire(1.0);
            drain();
        }
        return done();
    }

    // The model's settings with the tour completed beforehand, as after a first run.
    void completeOnboarding() { defaults->values.insert("onboardingCompleted", true); }

    // Runs the work posted to the recorder and the store so far and delivers what they report.
    void drain() {
        for (int round = 0; round < 3; ++round) {
            subject().recorder().openSegmentPaths();
            subject().hub().sync([](ostrel::MemoryStore&) {});
            subject().hub().readSync([](ostrel::MemoryStore&) {});
            QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        }
    }
    template <typename Condition> bool eventually(Condition condition) {
        return QTest::qWaitFor([&] {
            drain();
            return condition();
        });
    }
    // Damages the first page of `table` (or index) in the database file, as a failing disk does;
    // what the log held is moved into the file first.
    void damage(const std::string& table) {
        subject().hub().sync([](ostrel::MemoryStore& store) { store.checkpoint(); });
        testsupport::damageFirstPage(subject().hub().databaseFile(), table);
    }
    // The stored value of a `meta` key.
    std::optional<std::string> meta(const std::string& key) {
        return subject().hub().sync([&](ostrel::MemoryStore& store) { return store.metaValue(key); });
    }

    testsupport::ManualClock clock{friday, 1000};
    testsupport::ManualDelays delays{clock};
    testsupport::ManualTimers timers;
    testsupport::DataFolder dataFolder;
    std::shared_ptr<platform::MemorySettingsStore> defaults =
        std::make_shared<platform::MemorySettingsStore>();
    Format istanbul{"en_US", "Europe/Istanbul"};
    const Format* format = &istanbul;
    platform::FakeDisplayCapture capture;
    platform::FakeDisplays displays;
    platform::FakeWindowServer windowServer;
    platform::FakeWorkspace workspace;
    platform::FakeAccessibility accessibility;
    platform::FakeTextRecognizer recognizer;
    platform::FakeUserIdle userIdle;
    platform::FakeVideoFiles videoFiles;
    platform::FakePowerSource power;
    platform::FakeProcessResources processResources;
    platform::FakeSystemEventSource systemEvents;
    platform::FakeGlobalShortcut shortcut;
    platform::FakePasswordCheck passwordCheck{"secret"};
    platform::FakeLanguageModel languageModel;
    FrontmostTracker frontmost;
    FakeWindows windows;
    // What the model is given; a test may put a stand-in in front of a fake.
    platform::Displays* displaysInUse = &displays;
    platform::Workspace* workspaceInUse = &workspace;
    platform::PowerSource* powerInUse = &power;
    platform::SystemEventSource* systemEventsInUse = &systemEvents;
    platform::GlobalShortcut* shortcutInUse = &shortcut;
    // The app lock's password prompts; none unless a test asks for them.
    AppLock::PromptFactory passwordPrompt = [] { return nullptr; };
    platform::VideoFiles* videoFilesInUse = &videoFiles;
    // What the data folder's disk has free; plenty unless a test says otherwise.
    std::atomic<std::int64_t> freeBytes{std::int64_t(1) << 40};
    std::unique_ptr<AppModel> model;
    // A model made elsewhere (by the application delegate) that the helpers above work on instead.
    AppModel* borrowed = nullptr;
    AppModel& subject() { return model ? *model : *borrowed; }
};

} // namespace vesperline::testing
