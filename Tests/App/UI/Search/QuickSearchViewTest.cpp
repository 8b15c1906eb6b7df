#include "UI/Search/QuickSearchView.h"
#include "Model/SearchModel.h"
#include "QuickSearchFixture.h"
#include "Support/ViewPictures.h"
#include "UI/Search/MomentImage.h"
#include "UI/Search/ResultList.h"
#include "UI/Shared/Chip.h"
#include "UI/Shared/ElidedLabel.h"
#include "UI/Shared/EmptyStateView.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QToolButton>

using namespace vesperline;
using testsupport::Moment;

namespace {

class QuickSearchViewTest : public QuickSearchFixture {
  protected:
    // Types into the field as the user does and lets the typing pause pass.
    void type(const QString& text) {
        field().selectAll();
        QTest::keyClicks(&field(), text);
        delays.advance(SearchModel::debounceSeconds);
        settle();
    }

    QWidget& panel() { return *controller.panel(); }
    template <typename T> T* part(const char* name) { return panel().findChild<T*>(name); }
    ResultList& list() { return *part<ResultList>("resultList"); }
    QWidget* shownResults() { return part<QStackedWidget>("resultsPane")->currentWidget(); }
    QWidget* shownPreview() { return part<QStackedWidget>("previewPane")->currentWidget(); }
    // The title and message of the empty state a pane shows, or "(none)".
    std::string emptyText(QWidget* pane) {
        auto* empty = qobject_cast<EmptyStateView*>(pane);
        if (!empty) {
            return "(none)";
        }
        QStringList texts;
        for (QLabel* label : empty->findChildren<QLabel*>()) {
            if (!label->text().isEmpty()) {
                texts << label->text();
            }
        }
        return texts.join(" / ").toStdString();
    }
    std::vector<std::int64_t> selectedRows() {
        std::vector<std::int64_t> selected;
        for (int index = 0; index < list().rowCount(); ++index) {
            if (list().row(index)->selected()) {
                selected.push_back(list().row(index)->hit().frame.id);
            }
        }
        return selected;
    }
};

TEST_F(QuickSearchViewTest, AnEmptyMemorySaysSoInTheListAndThePreview) {
    showAndSettle();
    EXPECT_EQ(
        emptyText(shownResults()),
        "Nothing yet / As you use your computer, moments will appear here. Try searching for a word you "
        "saw today.");
    EXPECT_EQ(emptyText(shownPreview()), "Preview / Select a moment to see it.");
    EXPECT_EQ(field().placeholderText(), "Search everything you've seen…");
    EXPECT_EQ(QApplication::focusWidget(), &field());
    EXPECT_TRUE(testsupport::savePictures(panel(), "quick-search-empty"));
}

TEST_F(QuickSearchViewTest, RecentMomentsAndHitsShowTheFirstRowSelectedAndItsPreview) {
    storeMorning();
    showAndSettle();
    ASSERT_EQ(shownResults(), &list());
    EXPECT_EQ(ids(controller.search().results()), (std::vector<std::int64_t>{browser, mail, notes}));
    EXPECT_TRUE(part<QLabel>("resultsHeader")->isVisibleTo(&panel()));
    EXPECT_EQ(part<QLabel>("resultsHeader")->text(), "Recent moments");

    type("invoice");
    ASSERT_FALSE(controller.search().showingRecent());
    EXPECT_FALSE(part<QLabel>("resultsHeader")->isVisibleTo(&panel())) << "no heading above search hits";
    // No selection yet in this list of hits: the first is drawn selected and previewed.
    controller.search().setSelection(std::nullopt);
    const std::int64_t first = controller.search().results().front().frame.id;
    EXPECT_EQ(selectedRows(), std::vector<std::int64_t>{first});
    ASSERT_EQ(shownPreview(), part<QWidget>("preview"));
    const ostrel::SearchHit hit = *controller.search().selectedHit();
    EXPECT_EQ(part<ElidedLabel>("previewTitle")->text().toStdString(), hit.frame.displayTitle());
    EXPECT_EQ(part<ElidedLabel>("previewSubtitle")->text(), QString::fromStdString(*hit.frame.appName) +
                                                                " · " +
                                                                format.momentLabel(hit.frame.timestamp, now));
    EXPECT_EQ(part<MomentImage>("previewImage")->controller().frame()->id, first);

    controller.search().setSelection(browser);
    EXPECT_EQ(selectedRows(), std::vector<std::int64_t>{browser});
    EXPECT_EQ(part<ElidedLabel>("previewTitle")->text(), "Billing — Acme portal");
    settle();
    EXPECT_TRUE(testsupport::savePictures(panel(), "quick-search-results"));
}

TEST_F(QuickSearchViewTest, NoMatchesWaitsForTheNextSearchToEndBeforeSayingSoAgain) {
    storeMorning();
    showAndSettle();
    type("zebra");
    EXPECT_EQ(emptyText(shownResults()),
              "No matches / Try fewer or different words, or widen the time range.");

    {
        SearchHold hold(hub);
        QTest::keyClicks(&field(), "s");
        delays.advance(SearchModel::debounceSeconds);
        ASSERT_TRUE(controller.search().isSearching());
        EXPECT_EQ(shownResults(), part<QWidget>("resultsBlank")) << "no verdict while the search runs";
        EXPECT_TRUE(part<QWidget>("searchSpinner")->isVisibleTo(&panel()));
    }
    settle();
    EXPECT_EQ(emptyText(shownResults()),
              "No matches / Try fewer or different words, or widen the time range.");
    EXPECT_FALSE(part<QWidget>("searchSpinner")->isVisibleTo(&panel()));
}

TEST_F(QuickSearchViewTest, ALongSearchSaysAboveItsHitsThatOnlyItsBeginningWasSearched) {
    storeMorning();
    showAndSettle();
    const QString words = QStringLiteral("invoice ").repeated(65);
    type(words);
    ASSERT_EQ(shownResults(), &list());
    EXPECT_TRUE(part<QLabel>("resultsHeader")->isVisibleTo(&panel()));
    EXPECT_EQ(part<QLabel>("resultsHeader")->text(),
              "Only the first 64 words and 1,000 characters of a search are used.");
    settle();
    EXPECT_TRUE(testsupport::savePictures(panel(), "quick-search-shortened"));

    type("zebra " + words);
    EXPECT_EQ(emptyText(shownResults()),
              "No matches / Only the first 64 words and 1,000 characters of a search are used.");
}

TEST_F(QuickSearchViewTest, RangeChipsAndTheAppMenuSetTheFilters) {
    showAndSettle();
    std::vector<ostrel::AppCount> apps;
    for (int index = 0; index < 45; ++index) {
        apps.push_back(
            {"org.example.app" + std::to_string(index), "App " + std::to_string(index), 100 - index});
    }
    controller.search().setApps(apps);
    auto* menu = part<QMenu>("appFilterMenu");
    QStringList titles;
    for (QAction* action : menu->actions()) {
        titles << (action->isSeparator() ? "-" : action->text());
    }
    ASSERT_EQ(titles.size(), 32) << "All apps, a line and the 30 busiest";
    EXPECT_EQ(titles.mid(0, 3), (QStringList{"All apps", "-", "App 0"}));
    EXPECT_EQ(titles.last(), "App 29");

    menu->actions()[3]->trigger();
    EXPECT_EQ(controller.search().appFilter(), "org.example.app1");
    EXPECT_EQ(part<QToolButton>("appFilter")->text(), "App 1");
    controller.search().setAppFilter(std::string("org.example.gone"));
    EXPECT_EQ(part<QToolButton>("appFilter")->text(), "org.example.gone") << "an app no longer listed";
    menu->actions()[0]->trigger();
    EXPECT_EQ(controller.search().appFilter(), std::nullopt);
    EXPECT_EQ(part<QToolButton>("appFilter")->text(), "All apps");

    QTest::mouseClick(part<Chip>("range-week"), Qt::LeftButton);
    EXPECT_EQ(controller.search().range(), SearchModel::Range::week);
    EXPECT_TRUE(part<Chip>("range-week")->selected());
    EXPECT_FALSE(part<Chip>("range-all")->selected());
    EXPECT_EQ(QApplication::focusWidget(), &field()) << "the keyboard stays in the field";
}

TEST_F(QuickSearchViewTest, OpenLinkIsOfferedForWebAndFileAddressesOnly) {
    struct Case {
        std::optional<std::string> url;
        bool offered;
    };
    const Case cases[] = {
        {"https://billing.example.com/a", true},
        {"http://example.com", true},
        {"file:///home/user/a.pdf", true},
        {"httpx://example.com", false},
        {"ftp://example.com/a", false},
        {"not a url", false},
        {std::nullopt, false},
    };
    showAndSettle();
    for (const Case& c : cases) {
        ostrel::SearchHit hit;
        hit.frame.id = 1;
        hit.frame.url = c.url;
        controller.search().setResults({hit});
        EXPECT_EQ(part<QPushButton>("openLink")->isVisibleTo(&panel()), c.offered)
            << c.url.value_or("(none)");
    }

    // The button counts a find and hides the panel before the address opens.
    ostrel::SearchHit web;
    web.frame.id = 1;
    web.frame.url = "https://billing.example.com/a";
    controller.search().setResults({web});
    part<QPushButton>("openLink")->click();
    EXPECT_EQ(log, (std::vector<std::string>{"find", "open https://billing.example.com/a"}));
    EXPECT_FALSE(controller.isVisible());
}

TEST_F(QuickSearchViewTest, AClickSelectsADoubleClickOrTheButtonOpensAndCloseHides) {
    storeMorning();
    showAndSettle();
    QTest::mouseClick(list().row(1), Qt::LeftButton);
    EXPECT_EQ(controller.search().selection(), mail);
    EXPECT_TRUE(log.empty()) << "a single click opens nothing";
    EXPECT_EQ(QApplication::focusWidget(), &field()) << "typing still searches";

    QTest::mouseDClick(list().row(2), Qt::LeftButton);
    EXPECT_EQ(log, (std::vector<std::string>{"find", "timeline " + std::to_string(notes) + " " +
                                                         std::to_string(std::int64_t(now - 2900))}));
    EXPECT_FALSE(controller.isVisible());

    showAndSettle();
    log.clear();
    controller.search().setSelection(mail);
    part<QPushButton>("openInTimeline")->click();
    EXPECT_EQ(log, (std::vector<std::string>{"find", "timeline " + std::to_string(mail) + " " +
                                                         std::to_string(std::int64_t(now - 1800))}));

    showAndSettle();
    QTest::mouseClick(part<QAbstractButton>("closeButton"), Qt::LeftButton);
    EXPECT_FALSE(controller.isVisible());
    EXPECT_EQ(part<QAbstractButton>("closeButton")->toolTip(), "Close (Esc)");
}

TEST_F(QuickSearchViewTest, MovingTheSelectionScrollsItsRowToTheMiddle) {
    // Forty windows in a row give forty recent entries.
    for (int index = 0; index < 40; ++index) {
        store(Moment(now - 1000 + index)
                  .app("org.example.notes", "Notes")
                  .title("Note " + std::to_string(index)));
    }
    showAndSettle();
    ASSERT_EQ(list().rowCount(), 40);
    for (int step = 0; step < 20; ++step) {
        QTest::keyClick(&field(), Qt::Key_Down);
    }
    const ResultRow* row = list().row(20);
    ASSERT_TRUE(row->selected());
    const auto centre = [&] { return row->mapTo(list().viewport(), row->rect().center()).y(); };
    // The list glides there.
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(centre() - list().viewport()->height() / 2) <= 2; }))
        << centre();
    EXPECT_GT(list().verticalScrollBar()->value(), 0);
}

} // namespace
