// The status block at the foot of the main window's sidebar: what the recorder does, today's count,
// and the pause menu and resume button, which call the app model's own pause and resume.
#include "UI/Main/SidebarStatus.h"

#include "Storage/MemoryStore.h"
#include "Support/FailingWrites.h"
#include "Support/ViewPictures.h"
#include "UI/Shared/StatusDot.h"
#include "WindowsFixture.h"

#include <QLabel>
#include <QMenu>
#include <QToolButton>

namespace vesperline::testing {
namespace {

using Control = SidebarStatus::Control;

TEST(SidebarStatusControlTest, APauseOffersResumeRecordingThePauseMenuAndAnythingElseNothing) {
    constexpr ostrel::Time now = 1'741'330'800;
    struct Case {
        const char* name;
        RecorderStatus status;
        std::optional<ostrel::Time> pausedUntil;
        Control control;
    };
    const Case cases[] = {
        {"recording", RecorderStatus::recording(false), std::nullopt, Control::pauseMenu},
        {"recording text only", RecorderStatus::recording(true), std::nullopt, Control::pauseMenu},
        {"a pause that ended, not yet cleared", RecorderStatus::recording(false), now, Control::pauseMenu},
        {"paused with a stored end", RecorderStatus::paused(), now + 900, Control::resume},
        {"paused for a reason of the recorder's own", RecorderStatus::paused(), std::nullopt,
         Control::resume},
        {"locked during a pause until resumed", RecorderStatus::locked(), AppModel::pausedUntilResumed,
         Control::resume},
        {"recording before the pause's status arrives", RecorderStatus::recording(false), now + 1,
         Control::resume},
        {"stopped", RecorderStatus::stopped(), std::nullopt, Control::none},
        {"locked", RecorderStatus::locked(), std::nullopt, Control::none},
        {"asleep", RecorderStatus::asleep(), std::nullopt, Control::none},
        {"needs permission", RecorderStatus::needsPermission(), std::nullopt, Control::none},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SidebarStatus::control(c.status, c.pausedUntil, now), c.control) << c.name;
    }
}

class SidebarStatusTest : public WindowsFixture {
  protected:
    void SetUp() override {
        completeOnboarding();
        launch();
        ASSERT_TRUE(eventually([&] { return model->status() == RecorderStatus::recording(false); }));
        status = std::make_unique<SidebarStatus>(*model);
        status->resize(220, status->sizeHint().height());
        status->show();
    }

    template <typename T> T& child(const char* name) { return *status->findChild<T*>(name); }
    QString text(const char* name) { return child<QLabel>(name).text(); }
    bool shown(const char* name) { return child<QWidget>(name).isVisible(); }

    std::unique_ptr<SidebarStatus> status;
};

TEST_F(SidebarStatusTest, EachPauseChoiceCallsTheModelOnceAndResumeEndsIt) {
    struct Choice {
        const char* title;
        ostrel::Time end;
    };
    const Choice choices[] = {
        {"For 15 minutes", friday + 900},
        {"For 1 hour", friday + 3600},
        {"Until I resume", AppModel::pausedUntilResumed},
    };
    auto& dot = child<StatusDot>("statusDot");
    for (const Choice& choice : choices) {
        SCOPED_TRACE(choice.title);
        EXPECT_EQ(text("statusLine"), "Recording");
        EXPECT_TRUE(shown("pauseMenu"));
        EXPECT_FALSE(shown("resumeButton"));
        EXPECT_TRUE(dot.pulsing());
        EXPECT_EQ(dot.fillColor(), Theme::green.resolved(dot.palette()));

        QMenu* menu = child<QToolButton>("pauseMenu").menu();
        const QList<QAction*> items = menu->actions();
        ASSERT_EQ(items.size(), 3);
        EXPECT_EQ(items[0]->text(), "For 15 minutes");
        EXPECT_EQ(items[1]->text(), "For 1 hour");
        EXPECT_EQ(items[2]->text(), "Until I resume");
        QSignalSpy stored(&model->settings(), &AppSettings::pausedUntilChanged);
        const auto picked = std::find_if(items.begin(), items.end(),
                                         [&](QAction* item) { return item->text() == choice.title; });
        (*picked)->trigger();
        EXPECT_EQ(stored.count(), 1) << "one pause per choice";
        EXPECT_EQ(model->settings().pausedUntil(), choice.end);
        // "Resume" at once, before the recorder reports the pause.
        EXPECT_TRUE(shown("resumeButton"));
        EXPECT_FALSE(shown("pauseMenu"));
        ASSERT_TRUE(eventually([&] { return model->status() == RecorderStatus::paused(); }));
        EXPECT_EQ(text("statusLine"), "Paused");
        EXPECT_EQ(text("reasonLine"), model->pauseText().value());
        EXPECT_TRUE(shown("reasonLine"));
        EXPECT_FALSE(dot.pulsing());
        EXPECT_EQ(dot.fillColor(), QColor(Theme::gray));

        QTest::mouseClick(&child<QToolButton>("resumeButton"), Qt::LeftButton);
        EXPECT_FALSE(model->settings().pausedUntil().has_value());
        ASSERT_TRUE(eventually([&] { return model->status() == RecorderStatus::recording(false); }));
        EXPECT_TRUE(shown("pauseMenu"));
        EXPECT_FALSE(shown("reasonLine"));
    }
}

TEST_F(SidebarStatusTest, QuitIsAlwaysOfferedAndEndsTheAppThroughTheModel) {
    int quits = 0;
    model->terminate = [&] { ++quits; };
    auto& quit = child<QToolButton>("quitButton");
    EXPECT_EQ(quit.accessibleName(), "Quit Vesperline");
    EXPECT_TRUE(quit.isVisible());
    model->pause(AppModel::PauseOption::untilResumed());
    ASSERT_TRUE(eventually([&] { return model->status() == RecorderStatus::paused(); }));
    EXPECT_TRUE(quit.isVisible()) << "also while paused";
    QTest::mouseClick(&quit, Qt::LeftButton);
    EXPECT_EQ(quits, 1);
}

TEST_F(SidebarStatusTest, CountsTheMomentsKeptToday) {
    EXPECT_EQ(text("momentsToday"), "0 moments today") << "no statistics for today yet";
    model->hub().sync([&](ostrel::MemoryStore& store) {
        ostrel::StatsDelta delta;
        delta.framesSaved = 1284;
        store.addStats(ostrel::MemoryStore::dayKey(friday), delta);
    });
    model->refreshStats();
    EXPECT_TRUE(eventually([&] { return text("momentsToday") == "1,284 moments today"; }));
}

TEST_F(SidebarStatusTest, TheStatusLineKeepsToTwoLinesInTheApplicationsFont) {
    auto& line = child<QLabel>("statusLine");
    EXPECT_EQ(line.maximumHeight(), line.fontMetrics().lineSpacing() * 2);
    const QFont before = QApplication::font();
    QFont larger = before;
    larger.setPointSizeF(before.pointSizeF() * 2);
    QApplication::setFont(larger);
    QApplication::processEvents();
    const int cap = line.maximumHeight();
    QApplication::setFont(before);
    QApplication::processEvents();
    EXPECT_GT(cap, line.maximumHeight());
    EXPECT_EQ(line.maximumHeight(), line.fontMetrics().lineSpacing() * 2);
}

TEST_F(SidebarStatusTest, SaysWhenMomentsOrPicturesAreNotSavedAndWhyUntilSavingWorksAgain) {
    auto& dot = child<StatusDot>("statusDot");
    freeBytes = SegmentManager::lowDiskThreshold - 1; // no segment opens
    recordTheEditor();
    model->hub().sync([](ostrel::MemoryStore& store) {
        testsupport::failWrites(store.db(), testsupport::WriteFailure::readOnly);
    });
    ASSERT_TRUE(deliverUntil(60, [&] { return model->savingIssue() == SavingIssue::notWritable; }));
    EXPECT_EQ(text("statusLine"), "Moments are not being saved");
    EXPECT_EQ(text("reasonLine"), "The data folder cannot be written: saving goes on once it can")
        << "what is not saved at all comes first";
    EXPECT_TRUE(shown("reasonLine"));
    EXPECT_FALSE(dot.pulsing());
    EXPECT_EQ(dot.fillColor(), QColor(Theme::red));
    status->resize(220, status->heightForWidth(220)); // as the sidebar's layout gives it
    EXPECT_TRUE(testsupport::savePictures(*status, "sidebar-status-not-saving"));

    model->hub().sync([](ostrel::MemoryStore& store) { testsupport::failWrites(store.db(), std::nullopt); });
    ASSERT_TRUE(saveAMoment(120));
    EXPECT_EQ(text("statusLine"), "Recording");
    EXPECT_EQ(text("reasonLine"), "Pictures paused: the disk is nearly full");
    EXPECT_TRUE(dot.pulsing());
    status->resize(220, status->heightForWidth(220));
    EXPECT_TRUE(testsupport::savePictures(*status, "sidebar-status-pictures-paused"));
}

TEST_F(SidebarStatusTest, Pictures) {
    EXPECT_TRUE(testsupport::savePictures(*status, "sidebar-status-recording"));
    model->pause(AppModel::PauseOption::forMinutes(60));
    ASSERT_TRUE(eventually([&] { return model->status() == RecorderStatus::paused(); }));
    EXPECT_TRUE(testsupport::savePictures(*status, "sidebar-status-paused"));
}

} // namespace
} // namespace vesperline::testing
