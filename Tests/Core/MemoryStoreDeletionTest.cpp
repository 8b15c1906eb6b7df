#include "Search/TextNormalizer.h"
#include "Storage/MemoryStore.h"
#include "Support/Moment.h"
#include "TestStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace ostrel;

namespace {

constexpr Time hour = 3600;
constexpr Time day = 1'741'554'000; // a midnight; spans below are written as day + hours

struct Span {
    Time start;
    Time end;
    std::optional<std::string> bundle;
    std::optional<std::string> project;
    std::optional<std::string> title;
    bool operator==(const Span&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Span& span) {
    return out << "[" << (span.start - day) / hour << "h, " << (span.end - day) / hour << "h) "
               << span.bundle.value_or("-") << " " << span.project.value_or("-") << " "
               << span.title.value_or("-");
}

// A moment of an editor window whose address names the text's first word.
NewFrame moment(Time ts, const std::string& text, std::optional<std::int64_t> segmentID = std::nullopt) {
    testsupport::Moment built(ts, 0);
    built.app("org.example.editor")
        .title("Notes")
        .url("https://www.example.org/" + text.substr(0, text.find(' ')))
        .lines({text, "shared line"});
    if (segmentID) {
        built.inSegment(*segmentID, static_cast<std::int64_t>(ts) % 1000);
    }
    return built;
}

class DeletionTest : public testsupport::TestStore {
  protected:
    std::int64_t addMoment(Time ts, const std::string& text,
                           std::optional<std::int64_t> segmentID = std::nullopt) {
        return store->insertFrame(moment(ts, text, segmentID));
    }

    // The moments whose index rows match the word, each with its rank; a damaged index ranks NULL.
    std::vector<std::pair<std::int64_t, std::optional<double>>> search(MemoryStore& target,
                                                                       const std::string& word) {
        return target.db().query(
            "SELECT rowid, bm25(frame_fts) FROM frame_fts WHERE frame_fts MATCH ? ORDER BY rowid",
            {SQLValue::text('"' + TextNormalizer::fold(word) + '"')}, false, [](const SQLRow& row) {
                return std::pair{row.int64(0), row.optionalDouble(1)};
            });
    }

    std::vector<std::int64_t> found(const std::string& word) {
        std::vector<std::int64_t> ids;
        for (const auto& [id, score] : search(*store, word)) {
            ids.push_back(id);
        }
        return ids;
    }

    void expectHealthyIndex() {
        EXPECT_NO_THROW(
            store->db().execute("INSERT INTO frame_fts(frame_fts, rank) VALUES('integrity-check', 0)"));
    }

    std::int64_t count(const std::string& sql) { return *store->db().scalarInt(sql); }

    void addSpan(const Span& span) {
        store->db().run(
            "INSERT INTO activity (start_ts, end_ts, app_bundle, app_name, project, window_title) "
            "VALUES (?, ?, ?, 'App', ?, ?)",
            {SQLValue::real(span.start), SQLValue::real(span.end), SQLValue::optionalText(span.bundle),
             SQLValue::optionalText(span.project), SQLValue::optionalText(span.title)},
            false);
    }

    std::vector<Span> spans() {
        return store->db().query(
            "SELECT start_ts, end_ts, app_bundle, project, window_title FROM activity ORDER BY start_ts, "
            "end_ts",
            {}, false, [](const SQLRow& row) {
                return Span{row.real(0), row.real(1), row.text(2), row.text(3), row.text(4)};
            });
    }

    std::vector<std::pair<std::int64_t, double>> pending() {
        return store->db().query(
            "SELECT segment_id, created FROM pending_rewrites ORDER BY created, segment_id", {}, false,
            [](const SQLRow& row) {
                return std::pair{row.int64(0), row.real(1)};
            });
    }
};

TEST_F(DeletionTest, DeletedMomentsLoseTheirTextAndIndexRowsAndTheRestStillRank) {
    const std::vector<std::string> texts = {"alpha report", "beta report", "gamma memo", "delta memo",
                                            "epsilon report"};
    std::vector<std::int64_t> ids;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        ids.push_back(addMoment(day + i, texts[i]));
    }

    const MemoryStore::DeletionResult result = store->deleteFrames({ids[0], ids[2]});
    EXPECT_EQ(result.frameCount, 2);
    EXPECT_TRUE(result.affectedSegments.empty());

    EXPECT_EQ(count("SELECT COUNT(*) FROM frames"), 3);
    EXPECT_EQ(count("SELECT COUNT(*) FROM frame_text WHERE frame_id IN (" + std::to_string(ids[0]) + "," +
                    std::to_string(ids[2]) + ")"),
              0);
    EXPECT_TRUE(found("alpha").empty());
    EXPECT_TRUE(found("gamma").empty());
    EXPECT_EQ(found("report"), (std::vector<std::int64_t>{ids[1], ids[4]}));
    EXPECT_EQ(found("memo"), (std::vector<std::int64_t>{ids[3]}));
    expectHealthyIndex();

    // The ranks are those of a file that never held the deleted moments: the index's counts are right.
    testsupport::TemporaryDirectory otherFolder;
    MemoryStore untouched(otherFolder.path() / "other.sqlite", false);
    for (const std::size_t i : {1u, 3u, 4u}) {
        untouched.insertFrame(moment(day + i, texts[i]));
    }
    for (const std::string word : {"report", "memo", "shared", "example", "notes"}) {
        const auto scores = search(*store, word);
        const auto expected = search(untouched, word);
        ASSERT_EQ(scores.size(), expected.size()) << word;
        for (std::size_t i = 0; i < scores.size(); ++i) {
            ASSERT_TRUE(scores[i].second.has_value()) << word;
            EXPECT_DOUBLE_EQ(*scores[i].second, *expected[i].second) << word;
        }
    }
}

TEST_F(DeletionTest, RepeatedIdsAreDeletedAndCountedOnce) {
    const std::int64_t a = addMoment(day, "alpha report");
    const std::int64_t b = addMoment(day + 1, "beta report");
    const std::int64_t kept = addMoment(day + 2, "gamma report");

    // Repeats within one statement's list, across chunks, and in a later call.
    std::vector<std::int64_t> ids = {a, a, b, a, 999'999};
    ids.insert(ids.end(), 500, b);
    ids.push_back(a);
    EXPECT_EQ(store->deleteFrames(ids).frameCount, 3);
    EXPECT_EQ(store->deleteFrames({a, b}).frameCount, 2);

    expectHealthyIndex();
    EXPECT_EQ(found("report"), (std::vector<std::int64_t>{kept}));
    ASSERT_TRUE(search(*store, "report").front().second.has_value());
    // A damaged index refuses later deletions; a healthy one takes them.
    EXPECT_EQ(store->deleteFrames({kept}).frameCount, 1);
    expectHealthyIndex();
    EXPECT_TRUE(found("report").empty());
}

TEST_F(DeletionTest, ThousandIdsAreDeletedInChunksThatCommitOrFailTogether) {
    std::vector<std::int64_t> ids;
    store->db().transaction([&] {
        for (int i = 0; i < 1000; ++i) {
            ids.push_back(addMoment(day + i, "word" + std::to_string(i) + " common", 1 + i / 300));
        }
    });

    // The last of the three chunks (400, 400, 200) fails: the two before it are rolled back with it.
    store->db().execute("CREATE TRIGGER refuse_one BEFORE DELETE ON frames WHEN OLD.id = " +
                        std::to_string(ids[950]) + " BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    EXPECT_THROW(store->deleteFrames(ids), SQLiteError);
    EXPECT_EQ(count("SELECT COUNT(*) FROM frames"), 1000);
    EXPECT_EQ(count("SELECT COUNT(*) FROM frame_text"), 1000);
    EXPECT_EQ(found("word5"), (std::vector<std::int64_t>{ids[5]}));
    EXPECT_TRUE(pending().empty());

    store->db().execute("DROP TRIGGER refuse_one");
    const MemoryStore::DeletionResult result = store->deleteFrames(ids);
    EXPECT_EQ(result.frameCount, 1000);
    EXPECT_EQ(std::set(result.affectedSegments.begin(), result.affectedSegments.end()),
              (std::set<std::int64_t>{1, 2, 3, 4}));
    EXPECT_EQ(count("SELECT COUNT(*) FROM frames"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM frame_text"), 0);
    EXPECT_TRUE(found("common").empty());
    expectHealthyIndex();
}

TEST_F(DeletionTest, EmptyListDeletesNothing) {
    addMoment(day, "alpha", 4);
    const MemoryStore::DeletionResult result = store->deleteFrames({});
    EXPECT_EQ(result.frameCount, 0);
    EXPECT_TRUE(result.affectedSegments.empty());
    EXPECT_EQ(count("SELECT COUNT(*) FROM frames"), 1);
    EXPECT_TRUE(pending().empty());
}

TEST_F(DeletionTest, SegmentsAreQueuedOnceAndKeepTheirFirstTime) {
    const std::int64_t a = addMoment(day, "alpha", 7);
    const std::int64_t b = addMoment(day + 1, "beta", 7);
    const std::int64_t c = addMoment(day + 2, "gamma", 7);
    const std::int64_t loose = addMoment(day + 3, "delta");
    const std::int64_t other = addMoment(day + 4, "epsilon", 8);

    const MemoryStore::DeletionResult first = store->deleteFrames({a, b, loose});
    EXPECT_EQ(first.affectedSegments, (std::vector<std::int64_t>{7}));
    const auto queued = pending();
    ASSERT_EQ(queued.size(), 1u);

    const MemoryStore::DeletionResult second = store->deleteFrames({other, c});
    EXPECT_EQ(std::set(second.affectedSegments.begin(), second.affectedSegments.end()),
              (std::set<std::int64_t>{7, 8}));
    const auto after = pending();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0], queued[0]); // segment 7 keeps the time it was first queued
    EXPECT_EQ(after[1].first, 8);
    EXPECT_EQ(store->pendingRewrites(), (std::vector<std::int64_t>{7, 8}));
}

TEST_F(DeletionTest, DeletingARangeClipsTheActivitySpans) {
    const std::vector<Span> before = {
        {day + 9 * hour, day + 12 * hour, "app.a", "Atlas", "Straddles"},
        {day + 10.25 * hour, day + 10.75 * hour, "app.b", std::nullopt, "Inside"},
        {day + 9.5 * hour, day + 10.5 * hour, "app.c", "Crux", "Ends inside"},
        {day + 10.5 * hour, day + 11.5 * hour, "app.d", "Dune", "Begins inside"},
        {day + 8 * hour, day + 10 * hour, "app.e", "Echo", "Ends at the start"},
        {day + 11 * hour, day + 13 * hour, "app.f", "Fir", "Begins at the end"},
    };
    for (const Span& span : before) {
        addSpan(span);
    }
    addMoment(day + 10 * hour, "opening", 3);
    addMoment(day + 10.5 * hour, "middle", 3);
    const std::int64_t atEnd = addMoment(day + 11 * hour, "closing", 3);
    const std::int64_t earlier = addMoment(day + 9 * hour, "earlier", 3);

    const MemoryStore::DeletionResult result = store->deleteRange(day + 10 * hour, day + 11 * hour);
    EXPECT_EQ(result.frameCount, 2);
    EXPECT_EQ(result.affectedSegments, (std::vector<std::int64_t>{3}));
    EXPECT_TRUE(found("opening").empty());
    EXPECT_EQ(found("closing"), (std::vector<std::int64_t>{atEnd}));
    EXPECT_EQ(found("earlier"), (std::vector<std::int64_t>{earlier}));

    const std::vector<Span> expected = {
        {day + 8 * hour, day + 10 * hour, "app.e", "Echo", "Ends at the start"},
        {day + 9 * hour, day + 10 * hour, "app.a", "Atlas", std::nullopt},
        {day + 9.5 * hour, day + 10 * hour, "app.c", "Crux", std::nullopt},
        {day + 11 * hour, day + 11.5 * hour, "app.d", "Dune", std::nullopt},
        {day + 11 * hour, day + 12 * hour, "app.a", "Atlas", std::nullopt},
        {day + 11 * hour, day + 13 * hour, "app.f", "Fir", "Begins at the end"},
    };
    EXPECT_EQ(spans(), expected);

    // A range without moments still clips.
    const MemoryStore::DeletionResult empty = store->deleteRange(day + 11.25 * hour, day + 11.75 * hour);
    EXPECT_EQ(empty.frameCount, 0);
    EXPECT_EQ(spans()[3], (Span{day + 11 * hour, day + 11.25 * hour, "app.d", "Dune", std::nullopt}));
}

TEST_F(DeletionTest, ARangeDeletionThatFailsWhileClippingChangesNothing) {
    const Span straddling{day + 9 * hour, day + 12 * hour, "app.a", "Atlas", "Straddles"};
    addSpan(straddling);
    const std::int64_t moment = addMoment(day + 10 * hour, "opening", 3);
    // The second half of the cut span cannot be written.
    store->db().execute(
        "CREATE TRIGGER refuse_span BEFORE INSERT ON activity BEGIN SELECT RAISE(ABORT, 'full'); END;");
    EXPECT_THROW(store->deleteRange(day + 10 * hour, day + 11 * hour), SQLiteError);
    EXPECT_EQ(spans(), std::vector<Span>{straddling});
    EXPECT_EQ(found("opening"), std::vector<std::int64_t>{moment});
    EXPECT_TRUE(pending().empty());
}

TEST_F(DeletionTest, EmptyOrInvertedRangesChangeNothing) {
    addSpan({day + 9 * hour, day + 12 * hour, "app.a", "Atlas", "Straddles"});
    addSpan({day + 10 * hour, day + 10.5 * hour, "app.b", "Bay", "Short"});
    addMoment(day + 10 * hour, "alpha");
    const std::vector<Span> before = spans();

    for (const auto& [start, end] :
         {std::pair{day + 11 * hour, day + 10 * hour}, {day + 10 * hour, day + 10 * hour}}) {
        const MemoryStore::DeletionResult result = store->deleteRange(start, end);
        EXPECT_EQ(result.frameCount, 0);
        EXPECT_TRUE(result.affectedSegments.empty());
        EXPECT_EQ(spans(), before);
        EXPECT_EQ(count("SELECT COUNT(*) FROM frames"), 1);
    }
}

TEST_F(DeletionTest, OldestMomentsGoFirstUpToTheLimit) {
    store->db().transaction([&] {
        for (int i = 0; i < 150; ++i) {
            addMoment(day + 10 * i, "moment" + std::to_string(i));
        }
        addMoment(day + 5000, "recent");
    });
    addSpan({day, day + 100, "app.a", std::nullopt, "Ended before"});
    addSpan({day + 100, day + 3000, "app.b", std::nullopt, "Ends after"});
    const Time cutoff = day + 2000;

    struct Case {
        std::int64_t limit;
        std::int64_t deleted;
        Time oldestLeft;
    };
    for (const Case& c :
         {Case{-1, 0, day}, Case{0, 0, day}, Case{100, 100, day + 1000}, Case{100, 50, day + 5000}}) {
        SCOPED_TRACE(c.limit);
        const MemoryStore::DeletionResult result = store->deleteOldestFrames(cutoff, c.limit);
        EXPECT_EQ(result.frameCount, c.deleted);
        EXPECT_EQ(*store->db().scalarDouble("SELECT MIN(ts) FROM frames"), c.oldestLeft);
        EXPECT_EQ(spans(), (std::vector<Span>{{day + 100, day + 3000, "app.b", std::nullopt, "Ends after"}}));
    }
    EXPECT_EQ(count("SELECT COUNT(*) FROM frames"), 1);
    EXPECT_EQ(found("recent").size(), 1u);
    expectHealthyIndex();
}

} // namespace
