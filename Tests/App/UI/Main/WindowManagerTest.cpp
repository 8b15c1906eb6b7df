// The window manager: the app lock in front of every window that shows the memory, windows reused
// while open and built anew once closed, the settings tab, the tour's first page, and the
// quick-search panel toggled by the hot key.
#include "UI/Main/WindowManager.h"

#include "Support/Moment.h"
#include "UI/Main/MainWindow.h"
#include "UI/Search/QuickSearchController.h"
#include "UI/Settings/PrivacyPane.h"
#include "UI/Settings/SettingsWindow.h"
#include "UI/Shared/PulseRing.h"
#include "UI/Shared/WindowPlacement.h"
#include "WindowsFixture.h"

#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace vesperline::testing {
namespace {

class WindowManagerTest : public WindowsFixture {
  protected:
    void lockOn() { defaults->values.insert("appLockEnabled", true); }
    // Types the password into the prompt and waits until the prompt is settled.
    void type(const std::string& password) {
        const int dismissed = prompts.dismissed;
        prompts.submit(platform::SecretBuffer(password));
        EXPECT_TRUE(eventually([&] { return prompts.dismissed > dismissed; }));
    }
    // Gives up in the prompt; the refusal has reached the window manager when this returns.
    void cancel() {
        prompts.cancel();
        for (int round = 0; round < 2; ++round) {
            QCoreApplication::sendPostedEvents();
        }
    }
    static void letClosedWindowsGo() { QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

TEST_F(WindowManagerTest, WithTheLockOffTheMainWindowOpensWithoutAPrompt) {
    open().openMain();
    ASSERT_NE(manager->mainWindow(), nullptr);
    EXPECT_TRUE(manager->mainWindow()->isVisible());
    EXPECT_EQ(prompts.asked, 0);
    ASSERT_FALSE(activation.activated.empty());
    EXPECT_EQ(activation.activated.back(), manager->mainWindow()->winId())
        << "brought forward with the keyboard";
    // A second opening brings the same window forward.
    MainWindow* first = manager->mainWindow();
    manager->openMain();
    EXPECT_EQ(manager->mainWindow(), first);
    // The model's navigation reaches the window manager.
    model->openSection(AppModel::Section::journal);
    EXPECT_EQ(manager->mainWindow()->windowTitle(), "Journal — Vesperline");
}

TEST_F(WindowManagerTest, WithTheLockOnNothingShowsTheMemoryUntilThePasswordIsGiven) {
    lockOn();
    open().openMain();
    ASSERT_EQ(prompts.asked, 1);
    EXPECT_EQ(prompts.reason, "open your screen memory");
    EXPECT_EQ(manager->mainWindow(), nullptr);
    cancel();
    EXPECT_EQ(manager->mainWindow(), nullptr) << "a cancelled prompt opens nothing";

    manager->openMain();
    ASSERT_EQ(prompts.asked, 2) << "asked again after a cancel";
    type("secret");
    ASSERT_TRUE(eventually([&] { return manager->mainWindow() != nullptr; }));
    EXPECT_TRUE(manager->mainWindow()->isVisible());

    // Within the grace time the next window opens without asking; the tour never asks.
    manager->openSettings();
    ASSERT_TRUE(eventually([&] { return manager->settingsWindow() != nullptr; }));
    manager->showOnboarding(false);
    EXPECT_NE(manager->onboardingWindow(), nullptr);
    EXPECT_EQ(prompts.asked, 2);

    // Once the grace time has passed, the settings ask again.
    manager->settingsWindow()->close();
    letClosedWindowsGo();
    clock.advance(AppLock::graceInterval);
    manager->openSettings(SettingsTab::storage);
    EXPECT_EQ(prompts.asked, 3);
    cancel();
    EXPECT_EQ(manager->settingsWindow(), nullptr);
    EXPECT_EQ(manager->settingsSelection().tab(), SettingsTab::general) << "a refused opening changes no tab";
}

TEST_F(WindowManagerTest, ShowingTheMemoryFinishesTheOpenSegmentsUnlessTheLockRefuses) {
    completeOnboarding();
    lockOn();
    open();
    recordTheEditor();
    const auto openSegment = [&] {
        ASSERT_TRUE(saveAMoment(std::uint8_t(40 + 60 * prompts.asked)));
        ASSERT_FALSE(model->recorder().openSegmentPaths().empty());
    };
    openSegment();
    manager->openMain();
    cancel();
    EXPECT_FALSE(model->recorder().openSegmentPaths().empty()) << "a refused unlock finishes nothing";

    manager->openMain();
    type("secret");
    ASSERT_TRUE(eventually([&] { return manager->mainWindow() != nullptr; }));
    EXPECT_TRUE(model->recorder().openSegmentPaths().empty());

    // The quick-search panel likewise.
    openSegment();
    manager->toggleQuickSearch();
    ASSERT_TRUE(eventually([&] { return manager->quickSearch().isVisible(); }));
    EXPECT_TRUE(model->recorder().openSegmentPaths().empty());
}

TEST_F(WindowManagerTest, TheHotKeyHidesAShownPanelWithoutAskingAndShowsItAfterTheLock) {
    lockOn();
    open();
    ASSERT_TRUE(shortcut.press());
    ASSERT_TRUE(eventually([&] { return prompts.asked == 1; }));
    EXPECT_FALSE(manager->quickSearch().isVisible());
    type("secret");
    EXPECT_TRUE(eventually([&] { return manager->quickSearch().isVisible(); }));

    // The memory locks again (the screen was locked); the panel still goes away at once.
    model->appLock().setUnlockedUntil(std::nullopt);
    ASSERT_TRUE(shortcut.press());
    ASSERT_TRUE(eventually([&] { return !manager->quickSearch().isVisible(); }));
    EXPECT_EQ(prompts.asked, 1);
    // The model hides it too, when the session goes away.
    manager->toggleQuickSearch();
    type("secret");
    ASSERT_TRUE(eventually([&] { return manager->quickSearch().isVisible(); }));
    manager->hideQuickSearch();
    EXPECT_FALSE(manager->quickSearch().isVisible());
}

TEST_F(WindowManagerTest, TheSettingsWindowOpensAtTheTabAskedForOrAtTheOneItShowed) {
    open().showSettingsWindow(SettingsTab::storage);
    SettingsWindow* window = manager->settingsWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->pane()->objectName(), "storagePane");
    QSignalSpy switches(&manager->settingsSelection(), &SettingsSelection::tabChanged);
    manager->showSettingsWindow();
    manager->showSettingsWindow(SettingsTab::storage);
    EXPECT_EQ(switches.count(), 0);
    EXPECT_EQ(manager->settingsWindow(), window);
    manager->showSettingsWindow(SettingsTab::recording);
    EXPECT_EQ(window->pane()->objectName(), "recordingPane");
    // The panes' requests reach the model and the desktop.
    manager->settingsContext().actions().allowAccessibility();
    EXPECT_EQ(accessibility.trustRequests, 1);
    QSignalSpy figures(model.get(), &AppModel::todayChanged);
    manager->settingsContext().actions().refreshStats();
    EXPECT_TRUE(eventually([&] { return figures.count() > 0; }));

    // Closed and opened again: a new window at the tab left last.
    window->close();
    letClosedWindowsGo();
    EXPECT_EQ(manager->settingsWindow(), nullptr);
    manager->openSettings();
    ASSERT_NE(manager->settingsWindow(), nullptr);
    EXPECT_EQ(manager->settingsWindow()->pane()->objectName(), "recordingPane");
}

TEST_F(WindowManagerTest, ThePrivacyPanesDeletionsReachTheModelOnlyOnceConfirmed) {
    open().showSettingsWindow(SettingsTab::privacy);
    const ostrel::Time now = clock.now();
    model->hub().sync([&](ostrel::MemoryStore& store) {
        for (const ostrel::Time at : {now - 2 * 3600, now - 30 * 60}) {
            store.insertFrame(testsupport::Moment(at).app("org.example.editor").lines({"x"}));
        }
    });
    const auto moments = [&] {
        return model->hub().readSync(
            [](ostrel::MemoryStore& store) { return store.frames(0, 1e12, 10, false).size(); });
    };
    auto* pane = qobject_cast<PrivacyPane*>(manager->settingsWindow()->pane());
    ASSERT_TRUE(pane);
    const auto answer = [&](const char* button, const char* choice) {
        pane->findChild<QPushButton*>(button)->click();
        ASSERT_TRUE(pane->confirmation());
        pane->confirmation()->findChild<QPushButton*>(choice)->click();
    };
    answer("deleteLastHour", "cancel");
    answer("eraseAll", "cancel");
    drain();
    EXPECT_EQ(moments(), 2u);
    answer("deleteLastHour", "destroy");
    EXPECT_TRUE(eventually([&] { return pane->findChild<QWidget*>("forget")->isEnabled(); }));
    EXPECT_EQ(moments(), 1u) << "the moment of two hours ago stays";
}

TEST_F(WindowManagerTest, ATourRestartedStartsAtItsFirstPageUnlessItIsOpen) {
    // A first run: the tour has not been completed, so nothing records yet.
    open();
    EXPECT_EQ(model->status(), RecorderStatus::stopped());
    platform::SettingsStore& store = model->settings().defaults();
    store.setValue(WindowManager::onboardingStepKey, qlonglong(3));
    manager->showOnboarding(false);
    EXPECT_EQ(store.value(WindowManager::onboardingStepKey), QVariant(qlonglong(3)))
        << "resumed where it was";
    manager->onboardingWindow()->close();
    letClosedWindowsGo();

    manager->showOnboarding(true);
    EXPECT_EQ(store.value(WindowManager::onboardingStepKey), QVariant(qlonglong(0)));
    QWidget* tour = manager->onboardingWindow();
    ASSERT_NE(tour, nullptr);
    store.setValue(WindowManager::onboardingStepKey, qlonglong(4));
    manager->showOnboarding(true);
    EXPECT_EQ(manager->onboardingWindow(), tour);
    EXPECT_EQ(store.value(WindowManager::onboardingStepKey), QVariant(qlonglong(4)))
        << "an open tour keeps its page";

    // Finishing: the tour is done, and recording starts.
    finishTour();
    letClosedWindowsGo();
    EXPECT_EQ(manager->onboardingWindow(), nullptr);
    EXPECT_TRUE(model->settings().onboardingCompleted());
    EXPECT_TRUE(eventually([&] { return model->status() == RecorderStatus::recording(false); }));
}

TEST_F(WindowManagerTest, AClosedMainWindowGoesWithItsPicturesAndTheNextOneIsBuiltAnew) {
    open().showMainWindow();
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed()) << "the app outlives its last window";
    int closings = 0;
    manager->onMainWindowClosed = [&] { ++closings; };
    QPointer<MainWindow> first = manager->mainWindow();
    model->setSection(AppModel::Section::resources);
    FrameImageLoader& loader = model->imageLoader();
    const auto decoder = loader.generator("segment.mp4", FrameImageLoader::Size::full, false);
    first->close();
    letClosedWindowsGo();
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(manager->mainWindow(), nullptr);
    EXPECT_EQ(closings, 1) << "the user's close is told";
    EXPECT_TRUE(eventually([&] {
        return loader.generator("segment.mp4", FrameImageLoader::Size::full, false) != decoder;
    })) << "the closed window's decoders and pictures are dropped";
    EXPECT_TRUE(model->settings().defaults().value(WindowManager::mainWindowFrameKey).isValid());

    manager->showMainWindow();
    ASSERT_NE(manager->mainWindow(), nullptr);
    // The test's screen (800 x 600) is smaller than the window can be, so the kept frame is fitted to
    // it; that a moved window comes back where it was is shown on a real screen (ApplicationTest).
    EXPECT_EQ(manager->mainWindow()->windowTitle(), "Resources — Vesperline") << "the section is the model's";
    manager.reset();
    EXPECT_EQ(closings, 1) << "the application's own end closes no window by the user";
}

TEST_F(WindowManagerTest, EachNewMainWindowTellsOnceWhenItsFirstFrameIsOnScreen) {
    open();
    int drawn = 0;
    manager->onMainWindowDrawn = [&] { ++drawn; };
    manager->showMainWindow();
    EXPECT_EQ(drawn, 0) << "not before the window was exposed";
    ASSERT_TRUE(eventually([&] { return drawn == 1; }));
    manager->mainWindow()->hide();
    manager->showMainWindow();
    QTest::qWait(50);
    EXPECT_EQ(drawn, 1) << "the same window shown again";
    manager->mainWindow()->close();
    letClosedWindowsGo();
    manager->showMainWindow();
    EXPECT_TRUE(eventually([&] { return drawn == 2; })) << "a window built anew";
}

TEST(WindowPlacementTest, AFrameShrinksToTheFreeAreaAndMovesIntoIt) {
    const QRect narrow(0, 0, 1080, 1000);
    const QRect secondMonitor(1920, 0, 1280, 1024);
    const struct {
        const char* name;
        QRect frame;
        QRect available;
        QRect fitted;
    } cases[] = {
        {"inside stays", {100, 80, 900, 600}, narrow, {100, 80, 900, 600}},
        {"off the left edge", {-118, 40, 920, 620}, narrow, {0, 40, 920, 620}},
        {"wider than the screen", {-60, 20, 1200, 780}, narrow, {0, 20, 1080, 780}},
        {"taller too", {10, 10, 1200, 1300}, narrow, {0, 0, 1080, 1000}},
        {"past the right edge", {600, 900, 920, 620}, narrow, {160, 380, 920, 620}},
        {"on a second monitor", {1800, 100, 920, 620}, secondMonitor, {1920, 100, 920, 620}},
        {"no free area known", {-118, 40, 920, 620}, QRect(), {-118, 40, 920, 620}},
        {"larger both ways, low on the screen",
         {-40, 700, 1200, 780},
         QRect(0, 0, 1080, 600),
         {0, 0, 1080, 600}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WindowPlacement::fitted(c.frame, c.available), c.fitted) << c.name;
    }
}

TEST_F(WindowManagerTest, AMinimisedMainWindowComesBackAsItWas) {
    open().showMainWindow();
    MainWindow* window = manager->mainWindow();
    window->setWindowState(Qt::WindowMaximized | Qt::WindowMinimized);
    manager->showMainWindow();
    EXPECT_EQ(manager->mainWindow(), window) << "the open window is brought forward, not built again";
    EXPECT_FALSE(window->isMinimized());
    EXPECT_TRUE(window->isMaximized());
}

TEST_F(WindowManagerTest, TheMainWindowsPulseRestsWhileTheDesktopSaysItIsCovered) {
    completeOnboarding();
    open().showMainWindow();
    MainWindow& window = *manager->mainWindow();
    const std::uintptr_t id = window.winId();
    auto* ring = window.findChild<PulseRing*>("pulseRing");
    ASSERT_NE(ring, nullptr);
    ASSERT_TRUE(eventually([&] { return ring->animating(); })) << "recording";
    ASSERT_FALSE(pixels.puts.empty()) << "the ring is put straight onto the window";
    EXPECT_EQ(pixels.puts.back().window, id);

    ASSERT_TRUE(occlusion.setCovered(id, true));
    EXPECT_FALSE(ring->animating());
    const std::size_t puts = pixels.puts.size();
    ASSERT_TRUE(occlusion.setCovered(id, false));
    EXPECT_TRUE(ring->animating());
    EXPECT_GT(pixels.puts.size(), puts);

    window.close();
    letClosedWindowsGo();
    EXPECT_EQ(occlusion.followed.count(id), 0u) << "a closed window is no longer followed";
    // The next window is followed from its opening.
    manager->showMainWindow();
    EXPECT_EQ(occlusion.followed.count(manager->mainWindow()->winId()), 1u);
}

} // namespace
} // namespace vesperline::testing
