#include "UI/Search/SearchScreenController.h"
#include "SearchFixture.h"
#include "UI/Search/SearchTexts.h"

using namespace vesperline;
using testsupport::Moment;

namespace {

// What the screen asked of the app model, in order.
struct ModelCalls {
    std::vector<std::string> log;
    std::optional<QString> seed;
};

class SearchScreenControllerTest : public SearchFixture {
  protected:
    SearchScreenController::Actions actions() {
        SearchScreenController::Actions actions;
        actions.recordFind = [this] { calls.log.push_back("find"); };
        actions.takeSearchSeed = [this] { return std::exchange(calls.seed, std::nullopt); };
        actions.moment.openTimeline = [this](std::int64_t id, ostrel::Time at) {
            calls.log.push_back("timeline " + std::to_string(id) + " " +
                                std::to_string(static_cast<long>(at)));
        };
        actions.moment.openURL = [this](const QUrl& url) {
            calls.log.push_back("open " + url.toString().toStdString());
        };
        // Deletes for real, as the app model would, and reports back later.
        actions.moment.deleteFrames = [this](std::vector<std::int64_t> ids, std::function<void()> done) {
            calls.log.push_back("delete " + std::to_string(ids.at(0)));
            hub.sync([&](ostrel::MemoryStore& store) { store.deleteFrames(ids); });
            MainThread::post(std::move(done));
        };
        return actions;
    }

    ModelCalls calls;
    SearchModel model{hub, clock, delays};
    SearchScreenController controller{model, actions()};
};

ostrel::SearchHit hitWith(std::optional<std::string> url) {
    ostrel::SearchHit hit;
    hit.frame.id = 7;
    hit.frame.timestamp = 1000;
    hit.frame.url = std::move(url);
    return hit;
}

} // namespace

TEST_F(SearchScreenControllerTest, ComingIntoViewTakesTheSeedAndSearchesAtOnce) {
    store(Moment(now - 60).app("org.example.notes", "Notes").lines({"budget review"}));
    store(Moment(now - 50).app("org.example.mail", "Mail").lines({"budget"}));
    int focusRequests = 0;
    QObject::connect(&controller, &SearchScreenController::focusRequested, [&] { ++focusRequests; });

    calls.seed = "budget";
    controller.appeared();
    EXPECT_EQ(focusRequests, 1);
    EXPECT_EQ(model.text(), "budget");
    EXPECT_FALSE(calls.seed) << "the seed is taken";
    EXPECT_TRUE(model.isSearching()) << "at once, not after the typing pause";
    settle();
    EXPECT_EQ(model.results().size(), 2u);
    EXPECT_EQ(model.apps().size(), 2u);

    // A seed equal to the text changes nothing and still searches once; no seed keeps the text.
    int textChanges = 0;
    QObject::connect(&model, &SearchModel::textChanged, [&] { ++textChanges; });
    int runs = 0;
    QObject::connect(&model, &SearchModel::searchingChanged, [&] { runs += model.isSearching(); });
    calls.seed = "budget";
    controller.appeared();
    controller.appeared();
    settle();
    delays.advance(1);
    EXPECT_EQ(textChanges, 0);
    EXPECT_EQ(model.text(), "budget");
    EXPECT_EQ(runs, 1) << "the second appearance supersedes the first's search";
    EXPECT_EQ(delays.pending(), 0);
}

TEST_F(SearchScreenControllerTest, TheResultsPaneSaysWhyItIsEmpty) {
    const Format english("en_US", "Europe/Istanbul");
    store(Moment(now - 5 * 86400).app("org.example.notes", "Notes").lines({"older"}));
    controller.submit();
    EXPECT_EQ(controller.emptyState(), std::nullopt) << "searching: the list, not an empty state";
    settle();
    // Older moments do not count: nothing in the recent window.
    EXPECT_EQ(controller.emptyState()->title.toStdString(), "Your memory starts now");
    EXPECT_EQ(controller.emptyState()->message.toStdString(),
              "Everything you see will be searchable here: words, IDs, links, messages. Text stays on this "
              "computer.");

    model.setText("zebra");
    controller.submit();
    settle();
    EXPECT_EQ(controller.emptyState(),
              (SearchTexts::EmptyState{"magnifyingglass", "No matches",
                                       "Try fewer or different words, or widen the time range."}));
    EXPECT_EQ(controller.resultsHeader(english).toStdString(), "0 results");

    model.setText("older");
    controller.submit();
    settle();
    EXPECT_EQ(controller.emptyState(), std::nullopt);
    EXPECT_EQ(controller.resultsHeader(english).toStdString(), "1 result");
    model.setText("");
    controller.submit();
    settle();
    EXPECT_EQ(controller.resultsHeader(english).toStdString(), "Recent moments");
}

TEST_F(SearchScreenControllerTest, ALongSearchSaysThatOnlyItsBeginningWasSearched) {
    store(Moment(now - 60).app("org.example.notes", "Notes").lines({"budget review"}));
    const QString note = "Only the first 64 words and 1,000 characters of a search are used.";
    const Format english("en_US", "Europe/Istanbul");
    QString words;
    for (int i = 0; i < 65; ++i) {
        words += QStringLiteral("budget ");
    }
    model.setText(words);
    controller.submit();
    settle();
    EXPECT_TRUE(model.queryShortened());
    EXPECT_EQ(controller.resultsHeader(english), "1 result\n" + note);

    model.setText(QStringLiteral("zebra ") + words);
    controller.submit();
    settle();
    EXPECT_EQ(controller.emptyState(), (SearchTexts::EmptyState{"magnifyingglass", "No matches", note}));

    // A text within the bounds says nothing of it; nor does the list of recent moments.
    for (const QString& text : {QStringLiteral("budget"), QString()}) {
        model.setText(text);
        controller.submit();
        settle();
        EXPECT_FALSE(model.queryShortened());
        EXPECT_FALSE(controller.resultsHeader(english).contains(note));
    }
}

TEST_F(SearchScreenControllerTest, TheAppMenuOffersTheFortyBusiestApps) {
    std::vector<ostrel::AppCount> apps;
    for (int index = 0; index < 45; ++index) {
        apps.push_back(
            {"org.example.app" + std::to_string(index), "App " + std::to_string(index), 100 - index});
    }
    model.setApps(apps);
    const auto items = controller.appMenuItems();
    ASSERT_EQ(items.size(), SearchScreenController::appMenuLimit);
    EXPECT_EQ(items.front(), (SearchTexts::AppItem{"org.example.app0", "App 0 (100)"}));
    EXPECT_EQ(items.back().bundleID, "org.example.app39");

    struct Case {
        std::optional<std::string> filter;
        const char* title;
    };
    for (const Case& c : std::vector<Case>{{std::nullopt, "All apps"},
                                           {"org.example.app3", "App 3"},
                                           {"org.example.app44", "App 44"}, // listed, though not offered
                                           {"org.example.gone", "org.example.gone"}}) {
        EXPECT_EQ(SearchTexts::appFilterTitle(c.filter, model.apps()).toStdString(), c.title);
    }
    // A "%" in a name is the name's own.
    EXPECT_EQ(SearchTexts::appItemTitle({"x", "50%1 off", 3}, true).toStdString(), "50%1 off (3)");
}

TEST_F(SearchScreenControllerTest, OnlyWebAndFileAddressesOpenAsLinks) {
    struct Case {
        std::optional<std::string> url;
        bool opens;
    };
    for (const Case& c : std::vector<Case>{
             {"https://example.com/a?b=1", true},
             {"HTTP://example.com", true},
             {"file:///home/user/notes.txt", true},
             {"httpx://example.com", false},
             {"http-evil:payload", false},
             {"javascript:alert(1)", false},
             {"vscode://file/etc/passwd", false},
             {"example.com/relative", false},
             {"", false},
             {std::nullopt, false},
         }) {
        EXPECT_EQ(SearchScreenController::link(hitWith(c.url)).has_value(), c.opens)
            << c.url.value_or("(none)");
    }

    controller.openLink(hitWith("httpx://example.com"));
    EXPECT_TRUE(calls.log.empty()) << "nothing opened, no find counted";
    controller.openLink(hitWith("https://example.com/a"));
    controller.openInTimeline(hitWith(std::nullopt));
    EXPECT_EQ(calls.log,
              (std::vector<std::string>{"find", "open https://example.com/a", "find", "timeline 7 1000"}));
}

TEST_F(SearchScreenControllerTest, DeletingARowRemovesTheMomentAndSearchesAgain) {
    const std::int64_t kept =
        store(Moment(now - 120).app("org.example.notes", "Notes").title("A").lines({"plan"}));
    const std::int64_t gone =
        store(Moment(now - 60).app("org.example.mail", "Mail").title("B").lines({"plan"}));
    model.setText("plan");
    controller.submit();
    settle();
    ASSERT_EQ(model.results().size(), 2u);
    const ostrel::SearchHit target = *model.selectedHit();
    ASSERT_EQ(target.frame.id, gone);

    controller.deleteMoment(target);
    settle();
    EXPECT_EQ(calls.log, std::vector<std::string>{"delete " + std::to_string(gone)}) << "no find counted";
    EXPECT_EQ(ids(model.results()), std::vector<std::int64_t>{kept});
    EXPECT_EQ(model.selection(), kept);
    EXPECT_FALSE(hub.readSync([&](ostrel::MemoryStore& store) { return store.frame(gone).has_value(); }));
}

TEST_F(SearchScreenControllerTest, PreviewTermsFollowTheTypedTextAlone) {
    model.setText("\"annual report\" site:example.com app:mail");
    model.setAppFilter(std::string("org.example.mail"));
    model.setRange(SearchModel::Range::day);
    EXPECT_EQ(controller.highlightTerms(), (std::vector<std::string>{"annual", "report", "example", "com"}));
}
