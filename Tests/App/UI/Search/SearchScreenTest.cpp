#include "UI/Search/SearchScreen.h"
#include "Model/SearchModel.h"
#include "Platform/Fake/FakeInstalledApplications.h"
#include "SearchFixture.h"
#include "Support/ViewPictures.h"
#include "UI/Moment/MomentDetail.h"
#include "UI/Search/ResultList.h"
#include "UI/Shared/Chip.h"
#include "UI/Shared/EmptyStateView.h"
#include "UI/Shared/HighlightedText.h"
#include "UI/Shared/SegmentedControl.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStackedWidget>
#include <QToolButton>

using namespace vesperline;
using testsupport::Moment;

namespace {

class SearchScreenTest : public SearchFixture {
  protected:
    SearchScreenController::Actions actions() {
        SearchScreenController::Actions actions;
        actions.recordFind = [this] { ++finds; };
        actions.takeSearchSeed = [this] { return std::exchange(seed, std::nullopt); };
        actions.moment.openTimeline = [this](std::int64_t id, ostrel::Time) { timelineOpened.push_back(id); };
        actions.moment.openURL = [this](const QUrl& url) { opened.push_back(url); };
        actions.moment.deleteFrames = [this](std::vector<std::int64_t> ids, std::function<void()> done) {
            hub.sync([&](ostrel::MemoryStore& store) { store.deleteFrames(ids); });
            MainThread::post(std::move(done));
        };
        return actions;
    }

    std::unique_ptr<SearchScreen> makeScreen() {
        auto screen = std::make_unique<SearchScreen>(SearchScreen::Services{
            .model = model,
            .actions = actions(),
            .hub = hub,
            .pictures =
                [](const std::string&, std::int64_t, std::int64_t frameID, FrameImageLoader::Size) {
                    return QtFuture::makeReadyFuture(std::optional(screenPicture(frameID)));
                },
            // The first line of the made-up screen, where "invoice" stands in the first moment previewed.
            .termBoxes =
                [](const QImage&, const std::vector<std::string>& terms, LiveTextAnalyzer::Cancellation) {
                    std::vector<ostrel::Rect> boxes;
                    if (!terms.empty()) {
                        boxes.push_back({0.22, 0.785, 0.07, 0.04});
                    }
                    return QtFuture::makeReadyFuture(boxes);
                },
            .analyze = {},
            .thumbnails = thumbnails(),
            .applications = applications,
            .format = format,
            .clock = clock,
            .retryDelay = std::chrono::milliseconds(5),
        });
        screen->resize(1100, 720);
        return screen;
    }

    // Types into the field as the user does and lets the typing pause pass.
    void type(SearchScreen& screen, const QString& text) {
        auto* field = screen.findChild<QLineEdit*>("searchField");
        field->selectAll();
        QTest::keyClicks(field, text);
        delays.advance(SearchModel::debounceSeconds);
        settle();
    }

    template <typename T> static T* part(QWidget& view, const char* name) { return view.findChild<T*>(name); }
    static ResultList& list(QWidget& screen) { return *part<ResultList>(screen, "resultList"); }
    static bool showsList(QWidget& screen) {
        return part<QStackedWidget>(screen, "resultsPane")->currentWidget() == &list(screen);
    }
    static MomentDetail* shownPreview(QWidget& screen) {
        auto* pane = part<QStackedWidget>(screen, "previewPane");
        return qobject_cast<MomentDetail*>(pane->currentWidget());
    }
    // Right-clicks a row and gives the menu it opens.
    static QMenu* menuOf(QWidget& screen, int row) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20),
                                list(screen).row(row)->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(list(screen).row(row), &event);
        return part<QMenu>(screen, "resultMenu");
    }
    static std::vector<std::string> actionNames(QMenu& menu) {
        std::vector<std::string> names;
        for (QAction* action : menu.actions()) {
            names.push_back(action->isSeparator() ? "-" : action->objectName().toStdString());
        }
        return names;
    }

    SearchModel model{hub, clock, delays};
    platform::FakeInstalledApplications applications;
    const Format format{"en_US", "Europe/Istanbul"};
    std::optional<QString> seed;
    int finds = 0;
    std::vector<std::int64_t> timelineOpened;
    std::vector<QUrl> opened;
};

} // namespace

TEST_F(SearchScreenTest, TypingFindsTheMomentsWithTheirTermsMarkedAndPreviewsTheFirst) {
    storeMorning();
    auto screen = makeScreen();
    screen->show();
    settle();
    EXPECT_TRUE(part<QLineEdit>(*screen, "searchField")->hasFocus());
    EXPECT_EQ(part<QLabel>(*screen, "resultsHeader")->text().toStdString(), "Recent moments");
    EXPECT_EQ(list(*screen).rowCount(), 3) << "the two notes moments fold into one";
    // Nothing chosen: the first row is drawn selected and previewed.
    EXPECT_TRUE(list(*screen).row(0)->selected());
    ASSERT_NE(shownPreview(*screen), nullptr);
    EXPECT_EQ(shownPreview(*screen)->controller().frameID(), browser);

    type(*screen, "invoice");
    EXPECT_TRUE(showsList(*screen));
    EXPECT_EQ(part<QLabel>(*screen, "resultsHeader")->text().toStdString(), "3 results");
    ASSERT_EQ(list(*screen).rowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        const HighlightedText* excerpt = list(*screen).row(row)->findChild<HighlightedText*>("resultExcerpt");
        ASSERT_FALSE(excerpt->content().formats.isEmpty()) << "the term is marked in every excerpt";
        const auto& marked = excerpt->content().formats.front();
        EXPECT_EQ(excerpt->content().text.mid(marked.start, marked.length).toLower().toStdString(),
                  "invoice");
    }
    // The selected moment is still among the hits: it stays selected and previewed, with the terms.
    EXPECT_EQ(model.selection(), browser);
    EXPECT_EQ(shownPreview(*screen)->controller().frameID(), browser);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shownPreview(*screen)->controller().boxes().empty(); }));

    // Choosing another row previews it at once.
    QTest::mouseClick(list(*screen).row(2), Qt::LeftButton);
    EXPECT_EQ(model.selection(), list(*screen).row(2)->hit().frame.id);
    EXPECT_TRUE(list(*screen).row(2)->selected());
    EXPECT_FALSE(list(*screen).row(0)->selected());
    EXPECT_EQ(shownPreview(*screen)->controller().frameID(), list(*screen).row(2)->hit().frame.id);
}

TEST_F(SearchScreenTest, EmptyListsAndAnEmptyPreviewSayWhy) {
    store(Moment(now - 5 * 86400).app("org.example.notes", "Notes").lines({"older plan"}));
    auto screen = makeScreen();
    screen->show();
    settle();
    auto* empty = part<EmptyStateView>(*screen, "resultsEmpty");
    EXPECT_TRUE(empty->isVisible());
    const auto shows = [&](const char* text) {
        const QList<QLabel*> labels = empty->findChildren<QLabel*>();
        return std::any_of(labels.begin(), labels.end(),
                           [&](const QLabel* label) { return label->text() == text; });
    };
    EXPECT_TRUE(shows("Your memory starts now")) << "older moments are not recent";
    EXPECT_TRUE(part<EmptyStateView>(*screen, "previewEmpty")->isVisible());

    type(*screen, "zebra");
    EXPECT_TRUE(shows("No matches"));

    // While a search runs with nothing to show yet, the list and the spinner show instead.
    {
        SearchHold hold(hub);
        QTest::keyClick(part<QLineEdit>(*screen, "searchField"), Qt::Key_Return);
        EXPECT_TRUE(showsList(*screen));
        EXPECT_EQ(list(*screen).rowCount(), 0);
        EXPECT_TRUE(part<QWidget>(*screen, "searchSpinner")->isVisible());
    }
    settle();
    EXPECT_FALSE(part<QWidget>(*screen, "searchSpinner")->isVisible());
    EXPECT_TRUE(empty->isVisible());
}

TEST_F(SearchScreenTest, TheRowMenuOpensCountsFindsAndDeletesWithoutAsking) {
    storeMorning();
    auto screen = makeScreen();
    screen->show();
    type(*screen, "invoice");
    model.setSort(ostrel::SearchQuery::Sort::newest);
    settle();
    ASSERT_EQ(list(*screen).row(0)->hit().frame.id, browser);
    ASSERT_EQ(list(*screen).row(1)->hit().frame.id, mail);

    QMenu* menu = menuOf(*screen, 0);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(actionNames(*menu),
              (std::vector<std::string>{"openInTimeline", "openLink", "-", "deleteMoment"}));
    menu->findChild<QAction*>("openLink")->trigger();
    menu->close();
    EXPECT_EQ(opened, std::vector<QUrl>{QUrl("https://billing.example.com/invoices/2025-114")});
    EXPECT_EQ(finds, 1);
    settle();

    menu = menuOf(*screen, 1);
    EXPECT_EQ(actionNames(*menu), (std::vector<std::string>{"openInTimeline", "-", "deleteMoment"}))
        << "a moment without an address has no link to open";
    menu->findChild<QAction*>("openInTimeline")->trigger();
    menu->close();
    EXPECT_EQ(timelineOpened, std::vector<std::int64_t>{mail});
    EXPECT_EQ(finds, 2);
    settle();

    menu = menuOf(*screen, 1);
    menu->findChild<QAction*>("deleteMoment")->trigger();
    menu->close();
    settle();
    EXPECT_EQ(finds, 2) << "deleting counts no find";
    EXPECT_EQ(ids(model.results()), (std::vector<std::int64_t>{browser, notes}));
    EXPECT_EQ(list(*screen).rowCount(), 2);
    EXPECT_FALSE(hub.readSync([&](ostrel::MemoryStore& store) { return store.frame(mail).has_value(); }));
}

TEST_F(SearchScreenTest, FiltersSortAndReturnWriteIntoTheModel) {
    storeMorning();
    store(Moment(now - 40 * 86400).app("org.example.old", "Old app").lines({"invoice from last spring"}));
    seed = "invoice";
    auto screen = makeScreen();
    screen->show();
    settle();
    EXPECT_EQ(part<QLineEdit>(*screen, "searchField")->text().toStdString(), "invoice")
        << "the seed is taken";
    EXPECT_EQ(model.results().size(), 4u);

    QTest::mouseClick(part<Chip>(*screen, "range-week"), Qt::LeftButton);
    EXPECT_EQ(model.range(), SearchModel::Range::week);
    EXPECT_TRUE(part<Chip>(*screen, "range-week")->selected());
    EXPECT_FALSE(part<Chip>(*screen, "range-all")->selected());
    settle();
    EXPECT_EQ(model.results().size(), 3u);

    auto* sort = part<SegmentedControl>(*screen, "sortPicker");
    QTest::mouseClick(sort, Qt::LeftButton, {}, sort->segmentRect(1).center());
    EXPECT_EQ(model.sort(), ostrel::SearchQuery::Sort::newest);
    EXPECT_EQ(sort->currentIndex(), 1);

    auto* apps = part<QToolButton>(*screen, "appFilter");
    EXPECT_EQ(apps->text().toStdString(), "All apps");
    QMenu* menu = apps->menu();
    std::vector<std::string> items;
    for (QAction* action : menu->actions()) {
        items.push_back(action->isSeparator() ? "-" : action->text().toStdString());
    }
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(items.begin(), items.begin() + 3),
              (std::vector<std::string>{"All apps", "-", "Notes (2)"}));
    const QList<QAction*> choices = menu->actions();
    const auto mailItem = std::find_if(choices.begin(), choices.end(),
                                       [](const QAction* action) { return action->text() == "Mail (1)"; });
    ASSERT_NE(mailItem, choices.end());
    (*mailItem)->trigger();
    EXPECT_EQ(model.appFilter(), std::optional<std::string>("org.example.mail"));
    EXPECT_EQ(apps->text().toStdString(), "Mail");
    settle();
    EXPECT_EQ(ids(model.results()), std::vector<std::int64_t>{mail});

    // Return searches at once, without the typing pause.
    int runs = 0;
    QObject::connect(&model, &SearchModel::searchingChanged, [&] { runs += model.isSearching(); });
    QTest::keyClick(part<QLineEdit>(*screen, "searchField"), Qt::Key_Return);
    EXPECT_EQ(runs, 1);
    settle();
}

TEST_F(SearchScreenTest, Pictures) {
    storeMorning();
    EXPECT_TRUE(testsupport::savePictures("search-screen-results", [this] {
        auto screen = makeScreen();
        screen->show();
        type(*screen, "invoice");
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return shownPreview(*screen) && !shownPreview(*screen)->controller().loading(); }));
        return std::unique_ptr<QWidget>(std::move(screen));
    }));
    model.setText("");
    EXPECT_TRUE(testsupport::savePictures("search-screen-shortened", [this] {
        auto screen = makeScreen();
        screen->show();
        type(*screen, QStringLiteral("invoice ").repeated(65));
        EXPECT_EQ(screen->findChild<QLabel*>("resultsHeader")->text(),
                  "3 results\nOnly the first 64 words and 1,000 characters of a search are used.");
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return shownPreview(*screen) && !shownPreview(*screen)->controller().loading(); }));
        return std::unique_ptr<QWidget>(std::move(screen));
    }));
    model.setText("");
    EXPECT_TRUE(testsupport::savePictures("search-screen-no-matches", [this] {
        auto screen = makeScreen();
        screen->show();
        type(*screen, "zebra crossing");
        return std::unique_ptr<QWidget>(std::move(screen));
    }));
}
