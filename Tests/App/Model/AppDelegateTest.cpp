// The application delegate: the launch with its database recovery, the first window, the commands,
// reopening and the drain at the end.
#include "AppModelFixture.h"

#include "Model/AppDelegate.h"
#include "Storage/MemoryStore.h"
#include "Storage/OstrelPaths.h"
#include "Storage/SQLiteError.h"
#include "Support/LogCapture.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>

namespace vesperline::testing {
namespace {

namespace fs = std::filesystem;

// Answers the alert from a script and writes down what it was asked.
class ScriptedAlert final : public DatabaseAlert {
  public:
    struct Question {
        bool damaged;
        QString message;
    };
    std::deque<bool> answers;
    std::vector<Question> asked;
    int rebuiltNotices = 0;
    // Runs before each answer: a test can change the world between two questions.
    std::function<void()> beforeAnswer;

    bool present(bool damaged, const QString& message) override {
        asked.push_back({damaged, message});
        if (beforeAnswer) {
            beforeAnswer();
        }
        if (answers.empty()) {
            return false;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void presentRebuilt() override { ++rebuiltNotices; }
};

class AppDelegateTest : public AppModelFixture {
  protected:
    void TearDown() override {
        delegate.reset();
        AppModelFixture::TearDown();
    }

    AppDelegate& makeDelegate(bool loginItem = false, bool tray = true) {
        int* statusItems = &statusItemsMade;
        delegate = std::make_unique<AppDelegate>(
            AppDelegate::Environment{dataFolder.path(), defaults, services(), alert, loginItem,
                                     [this](AppModel&) { return std::make_unique<WindowsHandle>(windows); },
                                     [statusItems](AppModel&) {
                                         ++*statusItems;
                                         return std::make_unique<QObject>();
                                     },
                                     tray});
        return *delegate;
    }
    // Launches and waits for the model's start-up work.
    bool launchDelegate() {
        if (!delegate->applicationDidFinishLaunching()) {
            return false;
        }
        borrowed = delegate->model();
        EXPECT_TRUE(eventually([&] { return !borrowed->backlog().isRunning(); }));
        return true;
    }
    std::vector<std::string> dataFiles() const {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(dataFolder.path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    void writeDatabaseFile(const std::string& contents) {
        fs::create_directories(dataFolder.path());
        std::ofstream(dataFolder.path() / ostrel::OstrelPaths::databaseFileName) << contents;
    }

    // The window manager as the delegate owns it: it forwards to the fixture's counting one.
    class WindowsHandle final : public AppWindows {
      public:
        explicit WindowsHandle(FakeWindows& inner) : inner_(inner) {}
        void toggleQuickSearch() override { inner_.toggleQuickSearch(); }
        void hideQuickSearch() override { inner_.hideQuickSearch(); }
        void openMain() override { inner_.openMain(); }
        void openSettings() override { inner_.openSettings(); }
        void showOnboarding(bool restart) override { inner_.showOnboarding(restart); }

      private:
        FakeWindows& inner_;
    };

    ScriptedAlert alert;
    int statusItemsMade = 0;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(AppDelegateTest, AFileThatIsNoDatabaseIsSetAsideForANewEmptyMemory) {
    writeDatabaseFile(std::string(4096, 'x'));
    makeDelegate();
    EXPECT_FALSE(delegate->model());
    ASSERT_TRUE(delegate->startupError());
    EXPECT_TRUE(StoreHub::isDamage(delegate->startupError()));
    alert.answers = {true};
    ASSERT_TRUE(launchDelegate());
    ASSERT_EQ(alert.asked.size(), 1u);
    EXPECT_TRUE(alert.asked[0].damaged);
    EXPECT_EQ(statusItemsMade, 1);

    const std::vector<std::string> files = dataFiles();
    const auto quarantined = std::find_if(files.begin(), files.end(), [](const std::string& name) {
        return name.starts_with("ostrel-damaged-") && name.ends_with(".sqlite");
    });
    ASSERT_NE(quarantined, files.end()) << "the damaged file stays in the data folder";
    EXPECT_EQ(fs::file_size(dataFolder.path() / *quarantined), 4096u);
    EXPECT_EQ(borrowed->hub().readSync(
                  [](ostrel::MemoryStore& store) { return store.frames(0, 1e12, 10, false).size(); }),
              0u);
    EXPECT_EQ(meta("mcp_enabled"), "0") << "the model runs on the new database";
}

TEST_F(AppDelegateTest, QuittingFromTheAlertEndsBeforeAnythingIsMade) {
    writeDatabaseFile(std::string(4096, 'x'));
    makeDelegate();
    alert.answers = {false};
    EXPECT_FALSE(delegate->applicationDidFinishLaunching());
    EXPECT_FALSE(delegate->model());
    EXPECT_FALSE(delegate->windowManager());
    EXPECT_EQ(statusItemsMade, 0);
    EXPECT_EQ(fs::file_size(dataFolder.path() / ostrel::OstrelPaths::databaseFileName), 4096u)
        << "the file stays for the next launch";
}

TEST_F(AppDelegateTest, AnErrorThatIsNotDamageIsOfferedAgainUntilItsCauseIsGone) {
    // A folder where the database file should be: opening fails, but nothing is damaged.
    fs::create_directories(dataFolder.path() / ostrel::OstrelPaths::databaseFileName);
    makeDelegate();
    ASSERT_TRUE(delegate->startupError());
    EXPECT_FALSE(StoreHub::isDamage(delegate->startupError()));
    testsupport::LogCapture log;
    alert.answers = {true, true};
    alert.beforeAnswer = [&] {
        if (alert.asked.size() == 2) {
            fs::remove(dataFolder.path() / ostrel::OstrelPaths::databaseFileName);
        }
    };
    ASSERT_TRUE(launchDelegate());
    ASSERT_EQ(alert.asked.size(), 2u) << "each Try Again asks again while the cause remains";
    const QString database =
        QString::fromStdString((dataFolder.path() / ostrel::OstrelPaths::databaseFileName).string());
    for (const ScriptedAlert::Question& question : alert.asked) {
        EXPECT_FALSE(question.damaged);
        EXPECT_TRUE(question.message.contains("“" + database + "” is a folder"))
            << question.message.toStdString();
        EXPECT_EQ(DatabaseAlert::texts(false, question.message).firstButton, "Try Again");
    }
    EXPECT_EQ(log.count("Database reopen failed"), 1);
    const std::vector<std::string> files = dataFiles();
    EXPECT_TRUE(std::none_of(files.begin(), files.end(),
                             [](const std::string& name) { return name.starts_with("ostrel-damaged-"); }));
}

TEST_F(AppDelegateTest, ADatabaseRebuiltWhileTheAppRunsIsToldInTheAlertsNotice) {
    makeDelegate();
    ASSERT_TRUE(launchDelegate());
    borrowed->hub().reportIfDamaged(std::make_exception_ptr(ostrel::SQLiteError(267, "malformed")));
    ASSERT_TRUE(eventually([&] { return alert.rebuiltNotices == 1; }));
    EXPECT_TRUE(alert.asked.empty()) << "nothing is asked when nothing was lost";
}

TEST_F(AppDelegateTest, TheFirstWindowFollowsTheTourAndALoginStart) {
    struct Case {
        const char* name;
        bool onboarded;
        bool loginItem;
        bool tray;
        int mainOpens;
        std::vector<bool> tours;
    };
    for (const Case& c : std::vector<Case>{
             {"first run", false, false, true, 0, {false}},
             {"ordinary start", true, false, true, 1, {}},
             {"login start", true, true, true, 0, {}},
             {"login start without a tray", true, true, false, 1, {}},
             {"first run without a tray", false, false, false, 0, {false}},
         }) {
        windows.opens = 0;
        windows.tours.clear();
        defaults = std::make_shared<platform::MemorySettingsStore>();
        if (c.onboarded) {
            completeOnboarding();
        }
        makeDelegate(c.loginItem, c.tray);
        ASSERT_TRUE(launchDelegate()) << c.name;
        EXPECT_TRUE(alert.asked.empty()) << c.name;
        EXPECT_EQ(borrowed->windows(), delegate->windowManager()) << c.name;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        EXPECT_EQ(windows.opens, c.mainOpens) << c.name;
        EXPECT_EQ(windows.tours, c.tours) << c.name;
        delegate.reset();
        borrowed = nullptr;
    }
}

TEST_F(AppDelegateTest, WhenTheMainWindowOpensTheBackEndsAndTheTrayIconWaitForItsFirstFrameOrAShortWhile) {
    for (const bool drawn : {true, false}) {
        windows.opens = 0;
        statusItemsMade = 0;
        defaults = std::make_shared<platform::MemorySettingsStore>();
        completeOnboarding();
        const int checks = languageModel.checks();
        makeDelegate();
        ASSERT_TRUE(delegate->applicationDidFinishLaunching());
        borrowed = delegate->model();
        QTest::qWait(200);
        EXPECT_EQ(windows.opens, 1);
        EXPECT_EQ(languageModel.checks(), checks) << "no availability check before the first frame";
        EXPECT_EQ(borrowed->status(), RecorderStatus::stopped()) << "no recording before the first frame";
        EXPECT_EQ(statusItemsMade, 0) << "no tray icon before the first frame";
        if (drawn) {
            delegate->windowManager()->onMainWindowDrawn();
            EXPECT_EQ(statusItemsMade, 1) << "the tray icon with the first frame";
        }
        EXPECT_TRUE(eventually([&] { return languageModel.checks() > checks; })) << "drawn: " << drawn;
        EXPECT_TRUE(eventually([&] { return borrowed->status() == RecorderStatus::recording(false); }))
            << "drawn: " << drawn;
        EXPECT_TRUE(eventually([&] { return statusItemsMade == 1; })) << "drawn: " << drawn;
        if (drawn) {
            QTest::qWait(static_cast<int>(AppDelegate::backgroundWorkWait.count()));
        }
        EXPECT_EQ(statusItemsMade, 1) << "one tray icon, whether the frame or the wait came first";
        delegate.reset();
        borrowed = nullptr;
    }
}

TEST_F(AppDelegateTest, WithoutATrayTheMainWindowOpensOnceTheTourIsDone) {
    for (const bool tray : {true, false}) {
        windows.opens = 0;
        defaults = std::make_shared<platform::MemorySettingsStore>();
        makeDelegate(false, tray);
        ASSERT_TRUE(launchDelegate());
        borrowed->settings().setOnboardingCompleted(true);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        EXPECT_EQ(windows.opens, tray ? 0 : 1) << "tray: " << tray;
        delegate.reset();
        borrowed = nullptr;
    }
}

TEST_F(AppDelegateTest, ReopeningShowsTheTourUntilItWasCompletedThenTheMainWindow) {
    makeDelegate();
    ASSERT_TRUE(launchDelegate());
    windows.tours.clear();
    EXPECT_TRUE(delegate->applicationShouldHandleReopen());
    EXPECT_EQ(windows.tours, std::vector<bool>{false});
    EXPECT_EQ(windows.opens, 0);
    borrowed->settings().setOnboardingCompleted(true);
    EXPECT_TRUE(delegate->applicationShouldHandleReopen());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    EXPECT_EQ(windows.opens, 1);
}

TEST_F(AppDelegateTest, TheCommandsReachTheWindowsAndOfferNoUpdates) {
    makeDelegate();
    int quits = 0;
    delegate->model()->terminate = [&] { ++quits; };
    const QList<QAction*>& actions = delegate->commands().actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_EQ(actions[0]->text(), "Settings…");
    EXPECT_EQ(actions[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_EQ(actions[1]->text(), "How It Works");
    EXPECT_TRUE(actions[1]->shortcut().isEmpty());
    EXPECT_EQ(actions[2]->text(), "Quick Search");
    EXPECT_EQ(actions[2]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_K));
    EXPECT_EQ(actions[3]->text(), "Quit Vesperline");
    EXPECT_EQ(actions[3]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));

    for (QAction* action : actions.mid(0, 3)) {
        action->trigger(); // no window manager yet: nothing happens
    }
    EXPECT_EQ(windows.settingsOpens + windows.toggles + static_cast<int>(windows.tours.size()), 0);

    ASSERT_TRUE(launchDelegate());
    windows.tours.clear();
    for (QAction* action : actions) {
        action->trigger();
    }
    EXPECT_EQ(windows.settingsOpens, 1);
    EXPECT_EQ(windows.tours, std::vector<bool>{true}) << "How It Works starts the tour afresh";
    EXPECT_EQ(windows.toggles, 1);
    EXPECT_EQ(quits, 1) << "Quit goes through the model's quit";

    // The shortcuts work in every window of the application, the tray's popover too, but a menu's
    // actions are its entries.
    QWidget window;
    QWidget tool(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    QWidget popover(nullptr, Qt::Popup);
    QMenu menu;
    for (QWidget* shown : {&window, &tool, &popover, static_cast<QWidget*>(&menu)}) {
        shown->show();
    }
    for (QWidget* taking : {&window, &tool, &popover}) {
        EXPECT_EQ(taking->actions(), actions) << taking->windowType();
    }
    EXPECT_TRUE(menu.actions().isEmpty());
}

TEST_F(AppDelegateTest, WithoutATrayClosingTheMainWindowQuitsTheApp) {
    completeOnboarding();
    for (const bool tray : {true, false}) {
        makeDelegate(false, tray);
        ASSERT_TRUE(launchDelegate());
        int quits = 0;
        borrowed->terminate = [&] { ++quits; };
        AppWindows* manager = delegate->windowManager();
        ASSERT_TRUE(manager);
        if (manager->onMainWindowClosed) {
            manager->onMainWindowClosed();
        }
        EXPECT_EQ(quits, tray ? 0 : 1) << "tray: " << tray;
        delegate.reset();
        borrowed = nullptr;
    }
}

TEST_F(AppDelegateTest, EndingDrainsTrackingRecordingAndTheResourceFigures) {
    completeOnboarding();
    makeDelegate(true);
    ASSERT_TRUE(launchDelegate());
    recordTheEditor();
    ASSERT_TRUE(eventually([&] { return borrowed->tracker().current().has_value(); }));
    ASSERT_TRUE(saveAMoment(40));
    ASSERT_EQ(borrowed->recorder().openSegmentPaths().size(), 1u);

    const int samples = processResources.samples();
    delegate->applicationWillTerminate();
    EXPECT_FALSE(borrowed->tracker().isEnabled());
    EXPECT_FALSE(borrowed->tracker().current()) << "the open span was ended";
    EXPECT_TRUE(
        borrowed->hub().readSync([](ostrel::MemoryStore& store) { return store.openSegments(); }).empty())
        << "the recorder finished its segment";
    EXPECT_EQ(processResources.samples(), samples + 1) << "the last resource sample was taken";
    delegate->applicationWillTerminate(); // once only
}

} // namespace
} // namespace vesperline::testing
