// The main window: the sections in the sidebar, the app model's section shown beside them and
// named in the title, each screen built afresh on every change of section.
#include "UI/Main/MainWindow.h"

#include "Storage/MemoryStore.h"
#include "Support/Moment.h"
#include "Support/SettledReads.h"
#include "Support/ViewPictures.h"
#include "UI/Ask/AskController.h"
#include "UI/Ask/AskScreen.h"
#include "UI/Ask/SourceRow.h"
#include "UI/Journal/HourChart.h"
#include "UI/Journal/JournalEntryRow.h"
#include "UI/Journal/JournalScreen.h"
#include "UI/Main/SidebarStatus.h"
#include "UI/Moment/MomentDetail.h"
#include "UI/Resources/ResourcesController.h"
#include "UI/Resources/ResourcesScreen.h"
#include "UI/Search/ResultRow.h"
#include "UI/Search/SearchScreen.h"
#include "UI/Shared/SidebarList.h"
#include "UI/Timeline/TimelineScreen.h"
#include "WindowsFixture.h"

#include <QChartView>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>

namespace vesperline::testing {
namespace {

using Section = AppModel::Section;
using testsupport::Moment;

class MainWindowTest : public WindowsFixture {
  protected:
    void SetUp() override {
        completeOnboarding();
        open();
    }

    MainWindow& window() {
        manager->showMainWindow();
        return *manager->mainWindow();
    }
    SidebarList& sidebar() { return *window().findChild<SidebarList*>("sectionList"); }
    void clickRow(int row) {
        QTest::mouseClick(sidebar().viewport(), Qt::LeftButton, {},
                          sidebar().visualItemRect(sidebar().item(row)).center());
    }
    // The class of the screen shown, without its namespace.
    QString shownScreen() {
        return QString(window().screen()->metaObject()->className()).remove("vesperline::");
    }
};

TEST_F(MainWindowTest, EachSectionNamesTheWindowAndShowsItsScreen) {
    EXPECT_EQ(model->section(), Section::search) << "the first window of a launch shows Search";
    struct Case {
        Section section;
        const char* title;
        const char* screen;
        const char* symbol;
    };
    const Case cases[] = {
        {Section::search, "Search — Vesperline", "SearchScreen", "magnifyingglass"},
        {Section::timeline, "Timeline — Vesperline", "TimelineScreen", "clock.arrow.circlepath"},
        {Section::journal, "Journal — Vesperline", "JournalScreen", "calendar.day.timeline.left"},
        {Section::ask, "Ask — Vesperline", "AskScreen", "text.bubble"},
        {Section::resources, "Resources — Vesperline", "ResourcesScreen", "gauge.with.dots.needle.33percent"},
    };
    ASSERT_EQ(sidebar().count(), 5);
    for (int row = 0; row < 5; ++row) {
        const Case& c = cases[row];
        SCOPED_TRACE(c.title);
        EXPECT_EQ(sidebar().item(row)->text(), AppModel::title(c.section));
        EXPECT_EQ(sidebar().item(row)->data(Qt::UserRole).toString(), c.symbol);
        model->setSection(c.section);
        EXPECT_EQ(window().windowTitle(), c.title);
        EXPECT_EQ(MainWindow::title(c.section), c.title);
        EXPECT_EQ(sidebar().currentRow(), row);
        EXPECT_EQ(shownScreen(), c.screen);
        EXPECT_TRUE(window().screen()->isVisible());
    }
}

TEST_F(MainWindowTest, TheSidebarAndTheRestOfTheAppMoveTheSameSection) {
    QSignalSpy changes(model.get(), &AppModel::sectionChanged);
    clickRow(2);
    EXPECT_EQ(model->section(), Section::journal);
    EXPECT_EQ(shownScreen(), "JournalScreen");
    const QPointer<QWidget> journal = window().screen();

    // The row shown again, or the blank area under the rows: nothing changes, nothing is rebuilt.
    clickRow(2);
    QTest::mouseClick(sidebar().viewport(), Qt::LeftButton, {},
                      QPoint(40, sidebar().viewport()->height() - 4));
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(model->section(), Section::journal);
    EXPECT_EQ(sidebar().selectedItems().size(), 1);
    EXPECT_EQ(window().screen(), journal.data());

    // A search result opened in the timeline: the window follows, and the timeline takes the request.
    const std::int64_t id = model->hub().sync([&](ostrel::MemoryStore& store) {
        return store.insertFrame(
            Moment(friday - 3 * 86400).app("org.example.editor", "Editor").lines({"ledger"}));
    });
    model->openTimeline(id, friday - 3 * 86400);
    EXPECT_EQ(sidebar().currentRow(), 1);
    EXPECT_EQ(window().windowTitle(), "Timeline — Vesperline");
    ASSERT_EQ(shownScreen(), "TimelineScreen");
    EXPECT_FALSE(model->timelineRequest().has_value()) << "the timeline took the request";
    auto& timeline = static_cast<TimelineScreen&>(*window().screen());
    ASSERT_TRUE(eventually([&] {
        const auto shown = timeline.controller().shownFrame();
        return shown && shown->id == id;
    }));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(journal.isNull()) << "the journal went with its state";
}

// Every control of a screen that leaves it for another section, clicked as the user clicks it. The
// screen left behind goes only once the click has been handled: deleted inside it, Qt went on
// delivering the click to a row that was gone.
TEST_F(MainWindowTest, EveryControlThatLeavesItsScreenWorksWithARealClick) {
    const ostrel::Time at = friday - 2 * 3600;
    model->hub().sync([&](ostrel::MemoryStore& store) {
        store.insertFrame(Moment(at)
                              .app("org.example.mail", "Mail")
                              .title("Design review")
                              .lines({"The invoice from ACME"}));
        ostrel::ActivitySpan span;
        span.start = at;
        span.end = at + 1800;
        span.appBundleID = "org.example.mail";
        span.appName = "Mail";
        span.project = "Design review";
        store.insertActivity(span);
    });
    languageModel.setReply([](const platform::LanguageModel::Request& request) -> std::string {
        return request.schema ? R"({"keywords":["invoice"],"days":0})" : "It was ACME [1].";
    });
    // The widget `pick` finds, once it is there and shown.
    const auto found = [this](auto pick) {
        decltype(pick()) widget = nullptr;
        EXPECT_TRUE(eventually([&] { return (widget = pick()) && widget->isVisible(); }));
        return widget;
    };
    // A click on the middle of `widget` (or at `at` in it), through its window as the desktop gives it.
    const auto click = [](QWidget* widget, Qt::MouseButton button = Qt::LeftButton,
                          std::optional<QPoint> at = {}) {
        ASSERT_NE(widget, nullptr);
        QTest::mouseClick(widget->window()->windowHandle(), button, {},
                          widget->mapTo(widget->window(), at.value_or(widget->rect().center())));
    };
    struct Case {
        const char* control;
        Section from;
        std::function<void(QWidget& screen)> use;
        Section to;
    };
    const Case cases[] = {
        {"a project row of the journal", Section::journal,
         [&](QWidget& screen) { click(found([&] { return screen.findChild<JournalEntryRow*>("entry0"); })); },
         Section::search},
        {"an hour of the journal's chart", Section::journal,
         [&](QWidget& screen) {
             if (auto* chart = found([&] { return screen.findChild<HourChart*>("hourChart"); })) {
                 click(chart->findChild<QChartView*>()->viewport());
             }
         },
         Section::timeline},
        {"Open in timeline in a result's menu", Section::search,
         [&](QWidget& screen) {
             click(found([&] { return screen.findChild<ResultRow*>(); }), Qt::RightButton);
             if (auto* menu = found([&] { return screen.findChild<QMenu*>("resultMenu"); })) {
                 auto* open = menu->findChild<QAction*>("openInTimeline");
                 click(menu, Qt::LeftButton, menu->actionGeometry(open).center());
             }
         },
         Section::timeline},
        {"the preview's Timeline button", Section::search,
         [&](QWidget& screen) {
             click(found([&] { return screen.findChild<QToolButton*>("timelineButton"); }));
         },
         Section::timeline},
        {"a source of an answer", Section::ask,
         [&](QWidget& screen) {
             auto& ask = static_cast<AskScreen&>(screen);
             ask.controller().setQuestion("Who sent the invoice?");
             ask.controller().ask();
             click(found([&] { return screen.findChild<SourceRow*>(); }));
         },
         Section::timeline},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        model->setSection(c.from);
        const QPointer<QWidget> left = window().screen();
        c.use(*left);
        EXPECT_EQ(model->section(), c.to);
        EXPECT_NE(window().screen(), left.data());
        EXPECT_TRUE(window().screen()->isVisible());
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(left.isNull()) << "the screen left behind is gone once the click is over";
    }
}

TEST_F(MainWindowTest, TheScreensDeleteAndTidyUpThroughTheModel) {
    const auto store = [&](ostrel::Time at) {
        return model->hub().sync([&](ostrel::MemoryStore& memory) {
            return memory.insertFrame(Moment(at).app("org.example.editor", "Editor").lines({"ledger"}));
        });
    };
    const std::int64_t older = store(friday - 1800);
    const std::int64_t newer = store(friday - 600);
    model->openTimeline(newer, friday - 600);
    auto& timeline = static_cast<TimelineScreen&>(*window().screen());
    auto* detail = timeline.findChild<MomentDetail*>("timelineDetail");
    ASSERT_TRUE(eventually([&] { return detail->controller().record() && !detail->controller().loading(); }));

    // The moment view's Delete, confirmed: the model deletes the moment and the timeline moves on.
    QTest::mouseClick(detail->findChild<QToolButton*>("deleteButton"), Qt::LeftButton);
    auto* confirmation = detail->findChild<QMessageBox*>("deleteConfirmation");
    ASSERT_NE(confirmation, nullptr);
    QTest::mouseClick(confirmation->findChild<QPushButton*>("confirmDeleteButton"), Qt::LeftButton);
    EXPECT_TRUE(eventually([&] {
        return !model->hub().readSync([&](ostrel::MemoryStore& memory) { return memory.frame(newer); });
    }));
    EXPECT_TRUE(eventually([&] {
        const auto shown = timeline.controller().shownFrame();
        return shown && shown->id == older;
    }));

    // Resources' "Tidy up now" runs the model's maintenance pass.
    model->setSection(Section::resources);
    QSignalSpy maintenance(model.get(), &AppModel::maintenanceRunningChanged);
    static_cast<ResourcesScreen&>(*window().screen()).controller().tidyUp();
    EXPECT_TRUE(model->maintenanceRunning() || maintenance.count() > 0);
    EXPECT_TRUE(eventually([&] { return maintenance.count() == 2 && !model->maintenanceRunning(); }));
}

TEST_F(MainWindowTest, ComingBackToAskShowsAnEmptyConversation) {
    model->setSection(Section::ask);
    auto* ask = static_cast<AskScreen*>(window().screen());
    const QPointer<QWidget> first = ask;
    model->setSection(Section::resources);
    model->setSection(Section::ask);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    auto* again = static_cast<AskScreen*>(window().screen());
    EXPECT_TRUE(again->controller().exchanges().empty());
}

TEST_F(MainWindowTest, TheSidebarAndTheScreenKeepTheirRoom) {
    // The window as it is built, before the window manager fits it to a screen.
    MainWindow shown(*model, [](AppModel::Section, QWidget* parent) { return new QWidget(parent); });
    shown.show();
    QApplication::processEvents();
    EXPECT_EQ(shown.size(), MainWindow::defaultSize);
    EXPECT_EQ(shown.minimumSize(), QSize(920, 620));
    QWidget* side = shown.findChild<QWidget*>("mainSidebar");
    QWidget* detail = shown.findChild<QWidget*>("mainDetail");
    EXPECT_EQ(side->width(), 220);
    EXPECT_EQ(side->minimumWidth(), 200);
    EXPECT_EQ(side->maximumWidth(), 280);
    EXPECT_EQ(detail->minimumSize(), QSize(640, 520));
    // The status block stands under the rows, inside the sidebar.
    auto* status = shown.findChild<SidebarStatus*>();
    const auto* rows = shown.findChild<SidebarList*>("sectionList");
    EXPECT_GE(status->mapTo(side, QPoint()).y(), rows->mapTo(side, QPoint()).y() + rows->height());
    EXPECT_EQ(status->mapTo(side, QPoint()).x(), SidebarStatus::padding);

    // The splitter lets the sidebar be dragged no wider than its maximum, nor the screen too narrow.
    auto* split = shown.findChild<QSplitter*>("mainSplit");
    split->setSizes({600, 600});
    EXPECT_LE(side->width(), 280);
    shown.resize(shown.minimumSize());
    QApplication::processEvents();
    EXPECT_GE(detail->width(), 640);
    EXPECT_GE(detail->height(), 520);
}

TEST_F(MainWindowTest, Pictures) {
    model->hub().sync([&](ostrel::MemoryStore& store) {
        store.insertFrame(Moment(friday - 3600)
                              .app("org.example.editor", "Editor")
                              .title("Quarterly report")
                              .lines({"Harbour traffic rose by a tenth"}));
        store.insertFrame(Moment(friday - 1200)
                              .app("org.example.mail", "Mail")
                              .title("Inbox")
                              .lines({"Lunch on Friday at the harbour"}));
        ostrel::StatsDelta delta;
        delta.framesSaved = 2;
        store.addStats(ostrel::MemoryStore::dayKey(friday), delta);
    });
    model->refreshStats();
    ASSERT_TRUE(eventually([&] { return model->today().has_value(); }));
    for (const Section section : AppModel::allSections()) {
        model->setSection(section);
        for (const auto& [suffix, palette] : testsupport::appearances()) {
            testsupport::ScopedPalette appearance(palette);
            // Each screen's first load is in before the picture is taken.
            testsupport::settleReads(model->hub());
            EXPECT_TRUE(testsupport::savePicture(window(), "main-window-" + AppModel::rawValue(section) +
                                                               "-" + suffix));
        }
    }
}

} // namespace
} // namespace vesperline::testing
