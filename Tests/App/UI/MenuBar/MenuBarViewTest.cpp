// The tray popover over the real model: what it shows of it and what its controls ask of it.
#include "UI/MenuBar/MenuBarView.h"

#include "App/Model/AppModelFixture.h"
#include "App/Model/ScriptedPrompt.h"
#include "Platform/Fake/FakeInstalledApplications.h"
#include "Support/ClippedText.h"
#include "Support/FailingWrites.h"
#include "Support/ViewPictures.h"
#include "UI/MenuBar/MenuButton.h"
#include "UI/MenuBar/MenuRow.h"
#include "UI/MenuBar/Metric.h"
#include "UI/Settings/SymbolText.h"
#include "UI/Shared/ActivityIndicator.h"
#include "UI/Shared/ElidedLabel.h"
#include "UI/Shared/StatusDot.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimeZone>

namespace vesperline::testing {
namespace {

class MenuBarViewTest : public AppModelFixture {
  protected:
    struct Deletion {
        ostrel::Time from;
        ostrel::Time to;
        std::function<void()> done;
    };

    std::unique_ptr<MenuBarView> makeView() {
        MenuBarController::Services controller{
            [this](ostrel::Time from, ostrel::Time to, std::function<void()> done) {
                deletions.push_back({from, to, std::move(done)});
            },
            [this] { ++quits; }};
        auto view = std::make_unique<MenuBarView>(*model, MenuBarView::Services{controller, applications},
                                                  [this] { closes.push_back(requests()); });
        view->show();
        QApplication::processEvents();
        return view;
    }
    // Everything the popover asked of the windows and the application so far.
    int requests() const {
        return windows.opens + windows.settingsOpens + windows.toggles + int(windows.tours.size()) + quits;
    }
    template <typename T = QWidget> static T* child(const QWidget& parent, const char* name) {
        T* found = parent.findChild<T*>(name);
        EXPECT_TRUE(found) << "no " << name;
        return found;
    }
    static bool shown(const QWidget& parent, const char* name) {
        const QWidget* found = parent.findChild<QWidget*>(name);
        return found && found->isVisibleTo(&parent);
    }
    static void click(const QWidget& parent, const char* name) {
        if (auto* button = child<QAbstractButton>(parent, name)) {
            QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        }
    }
    // Pops up the menu of a menu button and lists its entries ("" for a separator).
    static QStringList menuEntries(const QWidget& parent, const char* name) {
        auto* button = child<MenuButton>(parent, name);
        button->showMenu();
        QStringList entries;
        for (QAction* action : button->openMenu()->actions()) {
            entries << (action->isSeparator() ? QString() : action->text());
        }
        return entries;
    }
    static void choose(const QWidget& parent, const char* name, const QString& entry) {
        auto* button = child<MenuButton>(parent, name);
        button->showMenu();
        for (QAction* action : button->openMenu()->actions()) {
            if (action->text() == entry) {
                action->trigger();
            }
        }
        button->openMenu()->close();
    }
    void recordingSetUp() {
        completeOnboarding();
        launch();
        ASSERT_TRUE(eventually([&] { return model->status() == RecorderStatus::recording(false); }));
    }

    platform::FakeInstalledApplications applications;
    std::vector<Deletion> deletions;
    // For each time the popover was closed: how many requests had been made by then.
    std::vector<int> closes;
    int quits = 0;
};

TEST_F(MenuBarViewTest, ThePauseMenuPausesTheModelAndResumeEndsThePause) {
    recordingSetUp();
    auto view = makeView();
    EXPECT_TRUE(child(*view, "pause")->isEnabled());
    EXPECT_FALSE(shown(*view, "resume"));
    EXPECT_EQ(menuEntries(*view, "pause"),
              (QStringList{"For 15 minutes", "For 1 hour", "Until tomorrow morning", "", "Until I resume"}));
    struct Case {
        const char* entry;
        AppModel::PauseOption option;
    };
    const Case cases[] = {
        {"For 15 minutes", AppModel::PauseOption::forMinutes(15)},
        {"For 1 hour", AppModel::PauseOption::forMinutes(60)},
        {"Until tomorrow morning", AppModel::PauseOption::untilTomorrow()},
        {"Until I resume", AppModel::PauseOption::untilResumed()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        choose(*view, "pause", c.entry);
        EXPECT_EQ(model->settings().pausedUntil(),
                  AppModel::pauseEnd(c.option, clock.now(), QTimeZone("Europe/Istanbul")));
        EXPECT_TRUE(eventually([&] { return model->status() == RecorderStatus::paused(); }));
        EXPECT_TRUE(shown(*view, "resume"));
        EXPECT_FALSE(shown(*view, "pause"));
        click(*view, "resume");
        EXPECT_EQ(model->settings().pausedUntil(), std::nullopt);
        EXPECT_TRUE(eventually([&] { return model->status() == RecorderStatus::recording(false); }));
        EXPECT_TRUE(shown(*view, "pause")) << "the pause menu is back once recording goes on";
    }
    EXPECT_TRUE(closes.empty()) << "pausing keeps the popover open";
}

TEST_F(MenuBarViewTest, BeforeTheTourIsDoneThePauseMenuIsOffAndFinishSetupResumesTheTour) {
    launch();
    auto view = makeView();
    EXPECT_EQ(child<ElidedLabel>(*view, "statusText")->text(), "Setup needed");
    EXPECT_FALSE(child(*view, "pause")->isEnabled());
    EXPECT_TRUE(child(*view, "forget")->isEnabled());
    EXPECT_TRUE(shown(*view, "finishSetup"));
    EXPECT_FALSE(shown(*view, "permissionCard"));
    click(*view, "finishSetup");
    EXPECT_EQ(windows.tours, std::vector<bool>{false}) << "the tour goes on where it was left";
    EXPECT_EQ(closes, std::vector<int>{0});

    // Stopped once the tour is done, before recording begins: neither.
    model->settings().setOnboardingCompleted(true);
    EXPECT_FALSE(shown(*view, "finishSetup"));
    EXPECT_TRUE(child(*view, "pause")->isEnabled());
}

TEST_F(MenuBarViewTest, EveryWayOutClosesThePopoverFirst) {
    recordingSetUp();
    auto view = makeView();
    struct Case {
        const char* control;
        std::function<bool()> done;
    };
    const Case cases[] = {
        {"openVesperline",
         [&] { return windows.opens == 1 && model->section() == AppModel::Section::search; }},
        {"openTimeline",
         [&] { return windows.opens == 2 && model->section() == AppModel::Section::timeline; }},
        {"openJournal", [&] { return windows.opens == 3 && model->section() == AppModel::Section::journal; }},
        {"howItWorks", [&] { return windows.tours == std::vector<bool>{true}; }},
        {"openSettings", [&] { return windows.settingsOpens == 1; }},
        {"searchField", [&] { return windows.toggles == 1; }},
        {"quit", [&] { return quits == 1; }},
    };
    int expected = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        click(*view, c.control);
        EXPECT_TRUE(c.done());
        ASSERT_EQ(closes.size(), std::size_t(expected + 1));
        EXPECT_EQ(closes.back(), expected) << "closed before it acted";
        EXPECT_EQ(requests(), ++expected);
    }
    EXPECT_EQ(child<MenuRow>(*view, "openSettings")->shortcut(), "Ctrl+,");
    EXPECT_EQ(child<MenuRow>(*view, "quit")->shortcut(), "Ctrl+Q");
    EXPECT_EQ(child<MenuRow>(*view, "openTimeline")->shortcut(), std::nullopt);

    // Without a window manager the ways into windows only close the popover.
    model->setWindows(nullptr);
    click(*view, "openSettings");
    click(*view, "searchField");
    EXPECT_EQ(closes.size(), std::size(cases) + 2u);
    EXPECT_EQ(requests(), expected);
}

TEST_F(MenuBarViewTest, ForgettingAsksFirstAndDeletesTheChosenRange) {
    recordingSetUp();
    auto view = makeView();
    EXPECT_FALSE(shown(*view, "confirmation"));
    EXPECT_EQ(menuEntries(*view, "forget"),
              (QStringList{"Last 5 minutes", "Last 15 minutes", "Last hour", "Today"}));
    choose(*view, "forget", "Last 15 minutes");
    EXPECT_TRUE(shown(*view, "confirmation"));
    EXPECT_EQ(child<QLabel>(*view, "question")->text(),
              "Delete everything recorded in the last " + istanbul.duration(900) + "? This can't be undone.");
    choose(*view, "forget", "Today");
    EXPECT_EQ(child<QLabel>(*view, "question")->text(),
              "Delete everything recorded today? This can't be undone.");
    click(*view, "cancelDeletion");
    EXPECT_FALSE(shown(*view, "confirmation"));
    EXPECT_TRUE(deletions.empty());

    const ostrel::Time now = clock.now();
    choose(*view, "forget", "Last hour");
    click(*view, "confirmDeletion");
    ASSERT_EQ(deletions.size(), 1u);
    EXPECT_EQ(deletions[0].from, now - 3600);
    EXPECT_EQ(deletions[0].to, now + 5);
    EXPECT_TRUE(shown(*view, "deletionSpinner"));
    EXPECT_FALSE(child(*view, "confirmDeletion")->isEnabled());
    click(*view, "confirmDeletion");
    EXPECT_EQ(deletions.size(), 1u) << "one deletion at a time";
    // Cancel hides the card at once; the deletion goes on and ends idle.
    click(*view, "cancelDeletion");
    EXPECT_FALSE(shown(*view, "confirmation"));
    deletions[0].done();
    EXPECT_FALSE(view->controller().deleting());
    EXPECT_EQ(view->controller().pendingDeletion(), std::nullopt);

    // Today: from the start of the day in the user's zone up to 5 s after now.
    choose(*view, "forget", "Today");
    click(*view, "confirmDeletion");
    ASSERT_EQ(deletions.size(), 2u);
    EXPECT_EQ(deletions[1].from, 1'741'294'800) << "midnight in Istanbul";
    EXPECT_EQ(deletions[1].to, now + 5);
    EXPECT_TRUE(closes.empty());
    // A deletion that ends after the popover went reaches nothing.
    view.reset();
    deletions[1].done();
}

TEST_F(MenuBarViewTest, WhileTheAppLockIsOnForgettingDeletesNothingBeforeTheUnlock) {
    PromptLog prompts;
    passwordPrompt = ScriptedPrompt::factory(prompts);
    defaults->values.insert("appLockEnabled", true);
    recordingSetUp();
    recordTheEditor();
    ASSERT_TRUE(saveAMoment(40));
    const auto moments = [&] {
        return model->hub().readSync(
            [](ostrel::MemoryStore& store) { return store.db().scalarInt("SELECT COUNT(*) FROM frames"); });
    };
    ASSERT_EQ(moments(), 1);
    MenuBarController::Services actions{
        [this](ostrel::Time from, ostrel::Time to, std::function<void()> done) {
            model->deleteRange(from, to, std::move(done));
        },
        {}};
    MenuBarView view(*model, MenuBarView::Services{actions, applications}, [] {});
    view.show();

    choose(view, "forget", "Today");
    click(view, "confirmDeletion");
    ASSERT_EQ(prompts.asked, 1);
    EXPECT_EQ(prompts.reason, "delete from your screen memory");
    EXPECT_FALSE(view.controller().deleting());
    prompts.cancel();
    drain();
    EXPECT_EQ(moments(), 1) << "a cancelled unlock deletes nothing";
    EXPECT_FALSE(view.controller().deleting());
    EXPECT_TRUE(shown(view, "confirmation")) << "the question stays, to be confirmed again";

    click(view, "confirmDeletion");
    ASSERT_EQ(prompts.asked, 2) << "asked again";
    prompts.submit(platform::SecretBuffer("wrong"));
    ASSERT_TRUE(eventually([&] { return prompts.askedAgain.size() == 1; }));
    EXPECT_EQ(moments(), 1) << "a wrong password deletes nothing";
    prompts.submit(platform::SecretBuffer("secret"));
    ASSERT_TRUE(eventually([&] { return !view.controller().pendingDeletion(); }));
    EXPECT_EQ(moments(), 0) << "deleted once unlocked";

    // Within the open period the next deletion asks nothing.
    choose(view, "forget", "Last 5 minutes");
    click(view, "confirmDeletion");
    ASSERT_TRUE(eventually([&] { return !view.controller().pendingDeletion(); }));
    EXPECT_EQ(prompts.asked, 2);
}

TEST_F(MenuBarViewTest, ShowsTheFiguresTheShortcutAndTheFinds) {
    recordingSetUp();
    auto view = makeView();
    EXPECT_EQ(child<Metric>(*view, "momentsMetric")->value(),
              model->today() ? QString::number(model->today()->framesSaved) : "0");
    EXPECT_EQ(child<Metric>(*view, "diskMetric")->value(), istanbul.bytes(model->storage().totalBytes()));
    EXPECT_EQ(child<Metric>(*view, "energyMetric")->caption(), "energy today");
    EXPECT_EQ(child<StatusDot>(*view, "statusDot")->fillColor(), Theme::mint.ink.resolved(view->palette()));
    EXPECT_TRUE(child<StatusDot>(*view, "statusDot")->pulsing());

    ASSERT_TRUE(shown(*view, "shortcutHint"));
    EXPECT_EQ(child(*view, "shortcutHint")->findChild<QLabel*>()->text(), "Shift+Super+Space");
    model->settings().setHotKeyEnabled(false);
    EXPECT_FALSE(shown(*view, "shortcutHint"));

    EXPECT_FALSE(shown(*view, "finds"));
    model->recordFind();
    ASSERT_TRUE(shown(*view, "finds"));
    EXPECT_EQ(child<SymbolText>(*view, "finds")->label()->text(), "Found what you needed 1 time this month");

    // A pause shows why nothing is kept.
    EXPECT_FALSE(shown(*view, "skipReason"));
    model->pause(AppModel::PauseOption::untilResumed());
    EXPECT_TRUE(shown(*view, "skipReason"));
    EXPECT_EQ(child<SymbolText>(*view, "skipReason")->label()->text(), "Paused until you resume");
}

TEST_F(MenuBarViewTest, WithoutTheScreenThePopoverSaysWhatIsNeeded) {
    recordingSetUp();
    ASSERT_TRUE(eventually([&] { return capture.runningStreams().size() == 1; }));
    capture.setPermission(false);
    capture.runningStreams().at(0)->stopBySystem(
        platform::DisplayStreamError(platform::DisplayStreamError::Kind::permissionDenied, "refused"));
    ASSERT_TRUE(eventually([&] { return model->status() == RecorderStatus::needsPermission(); }));
    auto view = makeView();
    EXPECT_TRUE(shown(*view, "permissionCard"));
    EXPECT_FALSE(shown(*view, "finishSetup"));
    EXPECT_EQ(child<StatusDot>(*view, "statusDot")->fillColor(), Theme::red);
    EXPECT_FALSE(child<StatusDot>(*view, "statusDot")->pulsing());
    EXPECT_TRUE(testsupport::savePictures(*view, "popover-needs-permission"));
    EXPECT_EQ(testsupport::clippedTexts(*view), QStringList());
}

TEST_F(MenuBarViewTest, SaysWhenMomentsAreNotSavedAndWhyUntilSavingWorksAgain) {
    recordingSetUp();
    recordTheEditor();
    auto view = makeView();
    model->hub().sync([](ostrel::MemoryStore& store) {
        testsupport::failWrites(store.db(), testsupport::WriteFailure::readOnly);
    });
    ASSERT_TRUE(deliverUntil(60, [&] { return model->savingIssue() == SavingIssue::notWritable; }));
    EXPECT_EQ(child<ElidedLabel>(*view, "statusText")->text(), "Moments are not being saved");
    EXPECT_FALSE(child<StatusDot>(*view, "statusDot")->pulsing());
    ASSERT_TRUE(shown(*view, "skipReason"));
    EXPECT_EQ(child<SymbolText>(*view, "skipReason")->label()->text(),
              "The data folder cannot be written: saving goes on once it can");
    EXPECT_FALSE(shown(*view, "lastMoment")) << "the reason is told instead";
    EXPECT_TRUE(testsupport::savePictures(*view, "popover-not-saving"));
    EXPECT_EQ(testsupport::clippedTexts(*view), QStringList());

    model->hub().sync([](ostrel::MemoryStore& store) { testsupport::failWrites(store.db(), std::nullopt); });
    ASSERT_TRUE(saveAMoment(120));
    EXPECT_EQ(child<ElidedLabel>(*view, "statusText")->text(), "Recording");
    EXPECT_TRUE(child<StatusDot>(*view, "statusDot")->pulsing());
    EXPECT_FALSE(shown(*view, "skipReason"));
}

TEST_F(MenuBarViewTest, Pictures) {
    launch();
    {
        auto view = makeView();
        EXPECT_TRUE(testsupport::savePictures(*view, "popover-setup-needed"));
    }
    model->settings().setOnboardingCompleted(true);
    model->recorder().setBlock(Recorder::Block::stopped, false);
    ASSERT_TRUE(eventually([&] { return model->status() == RecorderStatus::recording(false); }));
    model->recordFind();
    recordTheEditor();
    ASSERT_TRUE(saveAMoment(90));
    auto view = makeView();
    ASSERT_TRUE(shown(*view, "lastMoment"));
    EXPECT_EQ(child<ElidedLabel>(*view, "lastMomentText")->text(),
              "Last moment " + istanbul.time(model->lastSaved()->timestamp) + " · Draft");
    EXPECT_TRUE(testsupport::savePictures(*view, "popover-recording"));
    EXPECT_EQ(testsupport::clippedTexts(*view), QStringList());
    choose(*view, "forget", "Last 15 minutes");
    EXPECT_TRUE(testsupport::savePictures(*view, "popover-forget-pending"));
    click(*view, "confirmDeletion");
    EXPECT_TRUE(testsupport::savePictures(*view, "popover-forget-running"));
    click(*view, "cancelDeletion");
    model->pause(AppModel::PauseOption::untilTomorrow());
    EXPECT_FALSE(shown(*view, "lastMoment")) << "the pause is told instead";
    EXPECT_TRUE(testsupport::savePictures(*view, "popover-paused"));
}

} // namespace
} // namespace vesperline::testing
