#include "UI/Journal/JournalScreen.h"

#include "JournalFixture.h"
#include "Platform/Fake/FakeInstalledApplications.h"
#include "Support/QtPrinters.h"
#include "Support/ViewPictures.h"
#include "UI/Journal/CapsuleBadge.h"
#include "UI/Journal/ChartLegend.h"
#include "UI/Journal/HourChart.h"
#include "UI/Journal/JournalEntryRow.h"
#include "UI/Journal/ShareBar.h"
#include "UI/Shared/ActivityIndicator.h"
#include "UI/Shared/ElidedLabel.h"
#include "UI/Shared/EmptyStateView.h"
#include "UI/Theme/Theme.h"

#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QPushButton>
#include <QStackedBarSeries>

namespace vesperline {
namespace {

constexpr double hour = 3600;

class JournalScreenTest : public JournalFixture {
  protected:
    std::unique_ptr<JournalScreen> makeScreen(bool modelAvailable = true) {
        AIService& service = ai(modelAvailable);
        auto screen = std::make_unique<JournalScreen>(
            JournalScreen::Services{hub, settings, service, applications, navigation(), format, clock});
        screen->resize(960, 1100);
        return screen;
    }
    // Shows the screen on `day` and waits for the day's content.
    static bool showDay(JournalScreen& screen, ostrel::Time day) {
        screen.controller().setDay(day);
        QSignalSpy loaded(&screen.controller(), &JournalController::logChanged);
        screen.show();
        return loaded.wait(patience);
    }
    // A working day from 08:40 to 18:10 in seven apps and four projects, one span after another as
    // the recorder keeps them, with a lunch break and a short pause.
    void addWorkingDay(ostrel::Time day) {
        addSpan(day + 8 * hour + 40 * 60, 50 * 60, "Mail");
        addSpan(day + 9.5 * hour, 2 * hour, "Code Editor", "vesperline");
        addSpan(day + 11.5 * hour, 20 * 60, "Chat");
        addSpan(day + 11 * hour + 50 * 60, 25 * 60, "Browser", "docs.example.org");
        addSpan(day + 13 * hour, 1.5 * hour, "Code Editor", "vesperline");
        addSpan(day + 14.5 * hour, 40 * 60, "Browser", "Design review");
        addSpan(day + 15 * hour + 10 * 60, 15 * 60, "Terminal", "vesperline");
        addSpan(day + 15 * hour + 25 * 60, 45 * 60, "Terminal");
        addSpan(day + 16 * hour + 10 * 60, 30 * 60, "Music");
        addSpan(day + 16 * hour + 40 * 60, 40 * 60, "Code Editor", "Budget 2025");
        addSpan(day + 17.5 * hour, 40 * 60, "Calendar");
    }
    template <typename T> static T* child(QWidget& screen, const QString& name) {
        T* found = screen.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    static QString text(QWidget& screen, const char* name) {
        auto* label = screen.findChild<QLabel*>(name);
        if (label) {
            return label->text();
        }
        auto* fitted = screen.findChild<ElidedLabel*>(name);
        return fitted ? fitted->text() : QStringLiteral("<missing %1>").arg(name);
    }
    static std::vector<JournalEntryRow*> rows(QWidget& screen, const char* card) {
        std::vector<JournalEntryRow*> found;
        for (int i = 0;; ++i) {
            auto* row = screen.findChild<QWidget*>(card)->findChild<JournalEntryRow*>(
                QStringLiteral("entry%1").arg(i));
            if (!row) {
                return found;
            }
            found.push_back(row);
        }
    }

    platform::FakeInstalledApplications applications;
};

TEST_F(JournalScreenTest, AFullDayShowsItsSummaryTilesChartAndLists) {
    addWorkingDay(yesterday);
    storeSummary(yesterday,
                 "A long stretch of work on Vesperline in the Code Editor, with a design review "
                 "in the afternoon.",
                 "ai");
    auto screen = makeScreen();
    ASSERT_TRUE(showDay(*screen, yesterday));
    EXPECT_TRUE(child<QWidget>(*screen, "journalContent")->isVisible());
    EXPECT_FALSE(child<QWidget>(*screen, "journalLoading")->isVisible());
    EXPECT_FALSE(child<EmptyStateView>(*screen, "journalEmpty")->isVisible());

    EXPECT_EQ(text(*screen, "summaryText"),
              "A long stretch of work on Vesperline in the Code Editor, with a design "
              "review in the afternoon.");
    EXPECT_TRUE(child<CapsuleBadge>(*screen, "modelBadge")->isVisible());
    EXPECT_EQ(child<CapsuleBadge>(*screen, "modelBadge")->text(), "the local model · on device");
    auto* button = child<QPushButton>(*screen, "summarizeButton");
    EXPECT_TRUE(button->isVisible());
    EXPECT_EQ(button->text(), "Rewrite");
    EXPECT_FALSE(child<ActivityIndicator>(*screen, "summaryProgress")->isVisible());

    EXPECT_EQ(text(*screen, "activeTimeValue"), "8 hr, 35 min");
    EXPECT_EQ(text(*screen, "daySpanValue"), "8:40\u202fAM – 6:10\u202fPM");
    EXPECT_EQ(text(*screen, "topAppValue"), "Code Editor");
    EXPECT_EQ(text(*screen, "projectsValue"), "4");

    // Six apps of their own, then the seventh as Other, hours summed per series.
    auto* chart = child<HourChart>(*screen, "hourChart");
    EXPECT_EQ(chart->height(), 220);
    const QList<QBarSet*> sets = chart->series()->barSets();
    ASSERT_EQ(sets.size(), 7);
    EXPECT_EQ(sets[0]->label(), "Code Editor");
    EXPECT_EQ(sets[6]->label(), "Other");
    EXPECT_EQ(sets[0]->count(), 24);
    EXPECT_DOUBLE_EQ(sets[0]->at(9), 30);
    EXPECT_DOUBLE_EQ(sets[0]->at(10), 60);
    EXPECT_DOUBLE_EQ(sets[6]->at(11), 20) << "Chat, the seventh app";
    EXPECT_DOUBLE_EQ(sets[4]->at(17), 30) << "Calendar, the fifth";
    double afterLunch = 0; // the Code Editor until 14:30, then the Browser
    for (const QBarSet* set : sets) {
        afterLunch += set->at(14);
    }
    EXPECT_DOUBLE_EQ(afterLunch, 60);
    EXPECT_EQ(sets[0]->brush().gradient()->stops().last().second, Theme::hues[0].pastel);
    EXPECT_EQ(chart->legend()->items().size(), 7u);

    const std::vector<JournalEntryRow*> projects = rows(*screen, "projectsCard");
    ASSERT_EQ(projects.size(), 4u);
    EXPECT_EQ(projects[0]->name()->text(), "vesperline");
    EXPECT_EQ(projects[0]->icon(), nullptr) << "projects have no icon";
    const std::vector<JournalEntryRow*> apps = rows(*screen, "appsCard");
    ASSERT_EQ(apps.size(), 7u);
    EXPECT_NE(apps[0]->icon(), nullptr);
    EXPECT_EQ(apps[0]->duration()->text(), "4 hr, 10 min");
    EXPECT_EQ(apps[6]->bar()->hue(), 0u) << "the seventh row takes the first hue again";
    EXPECT_DOUBLE_EQ(apps[0]->bar()->fraction(), 250.0 / 515);
    EXPECT_FALSE(child<QLabel>(*screen, "projectsCardHint")->isVisible());

    // A project opens a search for its exact name; an app row does nothing.
    QTest::mouseClick(projects[3], Qt::LeftButton);
    QTest::mouseClick(apps[0], Qt::LeftButton);
    EXPECT_EQ(searches, std::vector<QString>{"\"" + projects[3]->name()->text() + "\""});
}

TEST_F(JournalScreenTest, AClickOnTheChartOpensThatHourInTheTimeline) {
    settings.setDailySummaryEnabled(false);
    addWorkingDay(yesterday);
    auto screen = makeScreen();
    ASSERT_TRUE(showDay(*screen, yesterday));
    QApplication::processEvents();
    HourChart* chart = child<HourChart>(*screen, "hourChart");
    QChartView* view = chart->view();
    const auto at = [&](double x) {
        const QPointF scene =
            view->chart()->mapToScene(view->chart()->mapToPosition({x, 10}, chart->series()));
        return view->mapFromScene(scene);
    };
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at(14.2));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(1, at(0).y())); // left of the bars
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(view->viewport()->width() - 1, at(0).y()));
    EXPECT_EQ(timelineOpenedAt, (std::vector<ostrel::Time>{yesterday + 14.5 * hour, yesterday + 0.5 * hour,
                                                           yesterday + 23.5 * hour}));
}

TEST_F(JournalScreenTest, TheSummaryHeadingEndsInWhatCanBeDoneNow) {
    addSpan(today + 9 * hour, hour, "Code Editor");
    holdReplies({"Written just now."});
    auto screen = makeScreen();
    ASSERT_TRUE(showDay(*screen, today));
    auto* button = child<QPushButton>(*screen, "summarizeButton");
    auto* progress = child<ActivityIndicator>(*screen, "summaryProgress");
    EXPECT_EQ(button->text(), "Summarize with AI");
    EXPECT_FALSE(child<CapsuleBadge>(*screen, "modelBadge")->isVisible());
    EXPECT_EQ(text(*screen, "summaryText"), screen->controller().summaryText());

    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(button->isVisible());
    EXPECT_TRUE(progress->isVisible());
    release();
    ASSERT_TRUE(waitUntilDone(screen->controller()));
    EXPECT_TRUE(button->isVisible());
    EXPECT_FALSE(progress->isVisible());
    EXPECT_EQ(button->text(), "Rewrite");
    EXPECT_TRUE(child<CapsuleBadge>(*screen, "modelBadge")->isVisible());
    EXPECT_EQ(text(*screen, "summaryText"), "Written just now.");
}

TEST_F(JournalScreenTest, WithoutTheModelTheHeadingOffersNothing) {
    addSpan(today + 9 * hour, hour, "Code Editor");
    auto screen = makeScreen(false);
    ASSERT_TRUE(showDay(*screen, today));
    EXPECT_FALSE(child<QPushButton>(*screen, "summarizeButton")->isVisible());
    EXPECT_FALSE(child<ActivityIndicator>(*screen, "summaryProgress")->isVisible());
}

TEST_F(JournalScreenTest, ListsShowTenEntriesAndAHintWithoutProjects) {
    for (int i = 0; i < 12; ++i) {
        addSpan(yesterday + (8 + 0.5 * i) * hour, (20 - i) * 60, "Code Editor",
                "Project " + std::to_string(i));
    }
    addSpan(today + 9 * hour, hour, "Terminal");
    model.setReplies({"Twelve projects."});
    auto screen = makeScreen();
    ASSERT_TRUE(showDay(*screen, yesterday));
    const std::vector<JournalEntryRow*> projects = rows(*screen, "projectsCard");
    ASSERT_EQ(projects.size(), 10u);
    EXPECT_EQ(projects[9]->name()->text(), "Project 9");

    ASSERT_TRUE(QTest::qWaitFor([&] { return !screen->controller().generating(); }, patience));
    QSignalSpy loaded(&screen->controller(), &JournalController::logChanged);
    screen->controller().setDay(today);
    ASSERT_TRUE(loaded.wait(patience));
    EXPECT_TRUE(rows(*screen, "projectsCard").empty());
    EXPECT_TRUE(child<QLabel>(*screen, "projectsCardHint")->isVisible());
    EXPECT_EQ(text(*screen, "projectsCardHint"),
              "No projects detected yet. Add your own in Settings → Projects.");
    EXPECT_EQ(text(*screen, "projectsValue"), "0");
}

TEST_F(JournalScreenTest, BeforeTheFirstLoadASpinnerThenAnEmptyDayItsMessage) {
    storeSummary(yesterday, "Kept, but there is no activity to show.", "ai");
    auto screen = makeScreen();
    screen->controller().setDay(yesterday);
    QSignalSpy loaded(&screen->controller(), &JournalController::logChanged);
    screen->show();
    EXPECT_TRUE(child<QWidget>(*screen, "journalLoading")->isVisible());
    EXPECT_TRUE(child<ActivityIndicator>(*screen, "journalSpinner")->spinning());
    ASSERT_TRUE(loaded.wait(patience));
    EXPECT_FALSE(child<QWidget>(*screen, "journalLoading")->isVisible());
    EXPECT_TRUE(child<EmptyStateView>(*screen, "journalEmpty")->isVisible());
    EXPECT_FALSE(child<QWidget>(*screen, "journalContent")->isVisible())
        << "no summary card without activity";
    EXPECT_GE(child<EmptyStateView>(*screen, "journalEmpty")->height(), 360);
}

TEST_F(JournalScreenTest, SavesPicturesOfAFullAndAnEmptyDay) {
    addWorkingDay(yesterday);
    storeSummary(yesterday,
                 "A long stretch of work on Vesperline in the Code Editor, with a design review "
                 "in the afternoon and some music to close the day.",
                 "ai");
    const auto dayScreen = [this](ostrel::Time day) {
        return [this, day]() -> std::unique_ptr<QWidget> {
            auto screen = makeScreen();
            EXPECT_TRUE(showDay(*screen, day));
            return screen;
        };
    };
    EXPECT_TRUE(testsupport::savePictures("journal-full-day", dayScreen(yesterday)));
    EXPECT_TRUE(testsupport::savePictures("journal-empty-day", dayScreen(yesterday - 86400)));
}

} // namespace
} // namespace vesperline
