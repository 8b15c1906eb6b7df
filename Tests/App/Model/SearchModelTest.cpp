#include "Model/SearchModel.h"
#include "App/UI/Search/SearchFixture.h"
#include "Support/LogCapture.h"

using namespace vesperline;
using testsupport::Moment;

namespace {

class SearchModelTest : public SearchFixture {
  protected:
    SearchModelTest() {
        QObject::connect(&model, &SearchModel::searchingChanged, [this] { runs += model.isSearching(); });
    }

    // Runs the model's search at once and waits for its answer.
    void searchNow() {
        model.schedule(true);
        settle();
    }

    SearchModel model{hub, clock, delays};
    int runs = 0; // searches started
};

ostrel::FrameSummary frame(std::int64_t id, const char* app, const char* title,
                           std::optional<std::string> url = std::nullopt) {
    ostrel::FrameSummary summary;
    summary.id = id;
    summary.appBundleID = app;
    summary.windowTitle = title;
    summary.url = std::move(url);
    return summary;
}

} // namespace

TEST_F(SearchModelTest, AFreshModelShowsNothingAndStartsNothing) {
    store(Moment(now - 60).app("org.example.editor", "Editor").lines({"quarterly invoice"}));
    settle();
    EXPECT_TRUE(model.results().empty());
    EXPECT_TRUE(model.showingRecent());
    EXPECT_FALSE(model.isSearching());
    EXPECT_EQ(delays.pending(), 0);
    EXPECT_EQ(runs, 0);
}

TEST_F(SearchModelTest, TypingFastRunsOneSearchForTheLastText) {
    const std::int64_t invoice =
        store(Moment(now - 60).app("org.example.editor", "Editor").lines({"invoice"}));
    store(Moment(now - 30).app("org.example.editor", "Editor").title("Other").lines({"involved"}));

    model.setText("i");
    delays.advance(0.1);
    model.setText("inv");
    delays.advance(0.1);
    model.setText("invoice");
    EXPECT_EQ(runs, 0);
    delays.advance(SearchModel::debounceSeconds);
    settle();

    EXPECT_EQ(runs, 1);
    EXPECT_EQ(ids(model.results()), std::vector<std::int64_t>{invoice});
    EXPECT_FALSE(model.showingRecent());
    EXPECT_EQ(model.selection(), invoice);
    EXPECT_FALSE(model.isSearching());

    // The same text again is no change: nothing runs.
    model.setText("invoice");
    delays.advance(1);
    EXPECT_EQ(runs, 1);
}

TEST_F(SearchModelTest, FiltersSearchAtOnceAndOnlyWhenTheyChange) {
    model.setRange(SearchModel::Range::all);
    model.setSort(ostrel::SearchQuery::Sort::relevance);
    model.setAppFilter(std::nullopt);
    EXPECT_EQ(runs, 0);

    int changes = 0;
    QObject::connect(&model, &SearchModel::rangeChanged, [&] { ++changes; });
    model.setRange(SearchModel::Range::day);
    EXPECT_EQ(runs, 1); // no wait for a typing pause
    EXPECT_EQ(changes, 1);
    model.setAppFilter(std::string("org.example.editor"));
    model.setSort(ostrel::SearchQuery::Sort::newest);
    EXPECT_EQ(runs, 1) << "still searching: the flag stays up across the newer searches";
    settle();
    EXPECT_FALSE(model.isSearching());
    EXPECT_EQ(delays.pending(), 0);
}

TEST_F(SearchModelTest, AnAnswerOvertakenByANewerSearchIsDropped) {
    store(Moment(now - 90).app("org.example.notes", "Notes").lines({"alpha plan"}));
    const std::int64_t beta = store(Moment(now - 60).app("org.example.mail", "Mail").lines({"beta launch"}));

    testsupport::LogCapture logs;
    // The search queue runs: hold, first search, probe, hold, second search.
    SearchHold first(hub);
    model.setText("alpha");
    model.schedule(true);
    bool probed = false; // once the probe's answer is in, so is the first search's
    whenFinished(hub.searchAsync([](ostrel::MemoryStore&) { return 0; }), &model,
                 [&](const QFuture<int>&) { probed = true; });
    SearchHold second(hub);
    model.setText("beta");
    model.schedule(true);

    first.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return probed; }));
    EXPECT_TRUE(model.results().empty()) << "the first search's answer is not shown";
    EXPECT_TRUE(model.showingRecent()) << "nor does it relabel what is shown";
    EXPECT_TRUE(model.isSearching()) << "the newer search is still reading";

    second.release();
    settle();
    EXPECT_EQ(ids(model.results()), std::vector<std::int64_t>{beta});
    EXPECT_FALSE(model.showingRecent());
    EXPECT_FALSE(model.isSearching());
    // The first search was not run once superseded, and that is no failure.
    EXPECT_EQ(logs.count("Searching failed"), 0);
}

TEST_F(SearchModelTest, ADroppedAnswerEndsTheFlagWhileTheNewerSearchWaitsForThePause) {
    store(Moment(now - 60).app("org.example.notes", "Notes").lines({"alpha plan"}));
    SearchHold hold(hub);
    model.setText("alpha");
    model.schedule(true);
    model.setText("alph"); // waits out the typing pause
    hold.release();
    settle();
    EXPECT_FALSE(model.isSearching());
    EXPECT_TRUE(model.results().empty());
    delays.advance(SearchModel::debounceSeconds);
    settle();
    EXPECT_EQ(model.results().size(), 1u);
}

TEST_F(SearchModelTest, AnEmptyQueryListsRecentMomentsOfTheRangeFilteredByTheAppAlone) {
    const std::int64_t hourAgo = store(Moment(now - 3600).app("org.example.editor", "Editor").title("Draft"));
    const std::int64_t dayAndAHalfAgo =
        store(Moment(now - 30 * 3600).app("org.example.mail", "Mail").title("Inbox"));
    store(Moment(now - 60 * 3600).app("org.example.editor", "Editor").title("Old"));
    store(Moment(now - 40 * 86400).app("org.example.editor", "Editor").title("Older"));

    // All time lists the last 48 hours only, newest first.
    searchNow();
    EXPECT_EQ(ids(model.results()), (std::vector<std::int64_t>{hourAgo, dayAndAHalfAgo}));
    EXPECT_TRUE(model.showingRecent());
    model.setRange(SearchModel::Range::day);
    settle();
    EXPECT_EQ(ids(model.results()), std::vector<std::int64_t>{hourAgo});
    model.setRange(SearchModel::Range::month);
    settle();
    EXPECT_EQ(model.results().size(), 3u);

    // "app:" names alone are nothing to match: still the recent list, not filtered by the typed name.
    model.setText("app:mail");
    delays.advance(SearchModel::debounceSeconds);
    settle();
    EXPECT_TRUE(model.showingRecent());
    EXPECT_EQ(model.results().size(), 3u);
    model.setAppFilter(std::string("org.example.mail"));
    settle();
    EXPECT_EQ(ids(model.results()), std::vector<std::int64_t>{dayAndAHalfAgo});
}

TEST_F(SearchModelTest, RecentMomentsFoldRunsOfOneWindow) {
    struct Case {
        const char* name;
        std::vector<ostrel::FrameSummary> frames; // newest first
        std::optional<std::string> appFilter;
        std::vector<std::pair<std::int64_t, std::int64_t>> entries; // frame id, match count
    };
    const std::vector<Case> cases = {
        {"a run of five is one entry with the newest",
         {frame(5, "a", "T"), frame(4, "a", "T"), frame(3, "a", "T"), frame(2, "a", "T"), frame(1, "a", "T")},
         std::nullopt,
         {{5, 5}}},
        {"a window seen again after another is a new entry",
         {frame(4, "a", "T"), frame(3, "b", "T"), frame(2, "a", "T"), frame(1, "a", "T")},
         std::nullopt,
         {{4, 1}, {3, 1}, {2, 2}}},
        {"another title of the same app is another window",
         {frame(2, "a", "T"), frame(1, "a", "U")},
         std::nullopt,
         {{2, 1}, {1, 1}}},
        {"other apps are skipped without breaking a run",
         {frame(4, "a", "T"), frame(3, "b", "T"), frame(2, "a", "T"), frame(1, "c", "T")},
         std::string("a"),
         {{4, 2}}},
    };
    for (const Case& c : cases) {
        const std::vector<ostrel::SearchHit> hits = SearchModel::foldRecent(c.frames, c.appFilter);
        std::vector<std::pair<std::int64_t, std::int64_t>> entries;
        for (const ostrel::SearchHit& hit : hits) {
            entries.emplace_back(hit.frame.id, hit.matchCount);
        }
        EXPECT_EQ(entries, c.entries) << c.name;
    }

    // The excerpt is the web address (or nothing), with no highlights; the score is 0.
    const auto hits = SearchModel::foldRecent(
        {frame(2, "a", "T", "https://example.com/a"), frame(1, "b", "T")}, std::nullopt);
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_EQ(hits[0].snippet, (ostrel::Snippet{"https://example.com/a", {}}));
    EXPECT_EQ(hits[1].snippet, ostrel::Snippet{});
    EXPECT_EQ(hits[0].score, 0);

    // Forty entries at most; the walk ends at the fortieth, which counts one moment.
    std::vector<ostrel::FrameSummary> many;
    for (int id = 100; id > 0; --id) {
        many.push_back(frame(id, id > 61 ? std::to_string(id).c_str() : "tail", "T"));
    }
    const auto limited = SearchModel::foldRecent(many, std::nullopt);
    ASSERT_EQ(limited.size(), SearchModel::recentEntryLimit);
    EXPECT_EQ(limited.back().frame.id, 61);
    EXPECT_EQ(limited.back().matchCount, 1);
}

TEST_F(SearchModelTest, TheSelectionStaysOnItsMomentThroughNewResults) {
    const std::int64_t older =
        store(Moment(now - 600).app("org.example.notes", "Notes").title("A").lines({"plan"}));
    const std::int64_t newer =
        store(Moment(now - 60).app("org.example.mail", "Mail").title("B").lines({"plan"}));
    model.setSort(ostrel::SearchQuery::Sort::newest);
    model.setText("plan");
    searchNow();
    EXPECT_EQ(ids(model.results()), (std::vector<std::int64_t>{newer, older}));
    EXPECT_EQ(model.selection(), newer) << "nothing chosen: the first hit";

    model.setSelection(older);
    model.setSort(ostrel::SearchQuery::Sort::relevance);
    model.setRange(SearchModel::Range::week);
    settle();
    EXPECT_EQ(model.selection(), older);

    model.setSelection(424242);
    EXPECT_EQ(model.selectedHit()->frame.id, model.results().front().frame.id)
        << "an unknown id shows the first";
    model.setText("nothing-like-this");
    delays.advance(SearchModel::debounceSeconds);
    settle();
    EXPECT_TRUE(model.results().empty());
    EXPECT_EQ(model.selection(), std::nullopt);
    EXPECT_EQ(model.selectedHit(), std::nullopt);
}

TEST_F(SearchModelTest, MovingTheSelectionStopsAtTheEnds) {
    model.move(1); // nothing to move through
    EXPECT_EQ(model.selection(), std::nullopt);

    std::vector<ostrel::SearchHit> hits(3);
    for (int index = 0; index < 3; ++index) {
        hits[static_cast<std::size_t>(index)].frame.id = 10 + index;
    }
    model.setResults(hits);
    struct Step {
        std::optional<std::int64_t> from;
        int offset;
        std::int64_t to;
    };
    for (const Step& step : std::vector<Step>{
             {std::nullopt, 1, 11}, {10, -1, 10}, {12, 1, 12}, {11, 1, 12}, {99, 2, 12}, {12, -5, 10}}) {
        model.setSelection(step.from);
        model.move(step.offset);
        EXPECT_EQ(model.selection(), step.to) << step.offset;
    }
}

TEST_F(SearchModelTest, AFailedSearchShowsAnEmptyListOfHits) {
    store(Moment(now - 60).app("org.example.notes", "Notes").lines({"plan"}));
    model.setText("plan");
    searchNow();
    ASSERT_EQ(model.results().size(), 1u);

    hub.sync([](ostrel::MemoryStore& store) { store.db().execute("DROP TABLE frame_fts"); });
    searchNow();
    EXPECT_TRUE(model.results().empty());
    EXPECT_FALSE(model.showingRecent());
    EXPECT_FALSE(model.isSearching());
}

TEST_F(SearchModelTest, TheAppListCoversAllTimeWhateverTheRange) {
    store(Moment(now - 100 * 86400).app("org.example.old", "Old"));
    store(Moment(now - 60).app("org.example.notes", "Notes"));
    store(Moment(now - 50).app("org.example.notes", "Notes"));
    model.setRange(SearchModel::Range::day);
    model.loadApps();
    settle();
    EXPECT_EQ(model.apps(), (std::vector<ostrel::AppCount>{{"org.example.notes", "Notes", 2},
                                                           {"org.example.old", "Old", 1}}));
}

TEST_F(SearchModelTest, LoadsAskedForWhileTheAppListIsReadWaitForItAndReadOnceAfter) {
    store(Moment(now - 60).app("org.example.notes", "Notes"));
    // The read queue is held while the list is asked for three times.
    std::promise<void> first;
    hub.readAsync([gate = first.get_future().share()](ostrel::MemoryStore&) { gate.wait(); });
    model.loadApps();
    model.loadApps();
    model.loadApps();
    // A second hold, queued after whatever those asked for, is reached once the first load has read.
    std::promise<void> second;
    std::promise<void> reached;
    hub.readAsync([gate = second.get_future().share(), &reached](ostrel::MemoryStore&) {
        reached.set_value();
        gate.wait();
    });
    first.set_value();
    reached.get_future().wait();
    // Stored after the first load read and before the main thread heard of it: only a load that
    // waited for it sees the new app.
    store(Moment(now - 30).app("org.example.mail", "Mail"));
    store(Moment(now - 20).app("org.example.mail", "Mail"));
    second.set_value();
    settle();
    EXPECT_EQ(model.apps(), (std::vector<ostrel::AppCount>{{"org.example.mail", "Mail", 2},
                                                           {"org.example.notes", "Notes", 1}}));
}

TEST(SearchModelRange, RangesHaveTheirNamesLabelsAndStarts) {
    struct Case {
        SearchModel::Range range;
        const char* raw;
        const char* label;
        std::optional<ostrel::Time> start;
    };
    for (const Case& c : std::vector<Case>{{SearchModel::Range::day, "day", "24 hours", 1000000 - 86400},
                                           {SearchModel::Range::week, "week", "7 days", 1000000 - 604800},
                                           {SearchModel::Range::month, "month", "30 days", 1000000 - 2592000},
                                           {SearchModel::Range::all, "all", "All time", std::nullopt}}) {
        EXPECT_EQ(SearchModel::rawValue(c.range), c.raw);
        EXPECT_EQ(SearchModel::rangeFromRaw(c.raw), c.range);
        EXPECT_EQ(SearchModel::label(c.range).toStdString(), c.label);
        EXPECT_EQ(SearchModel::startDate(c.range, 1000000), c.start);
    }
    EXPECT_EQ(SearchModel::rangeFromRaw("year"), std::nullopt);
}
