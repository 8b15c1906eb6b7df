#include "Storage/MemoryStore.h"
#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using namespace ostrel;

namespace {

constexpr Time start = 1'700'000'000;

// What a hit is made of, apart from the snippet that is built from the same moment either way.
struct HitKey {
    std::int64_t id = 0;
    std::int64_t count = 0;
    double score = 0;
    bool operator==(const HitKey&) const = default;
};

std::ostream& operator<<(std::ostream& out, const HitKey& hit) {
    return out << "{" << hit.id << ", " << hit.count << ", " << hit.score << "}";
}

// The search as first written, kept here as the reference: SQLite ranks or sorts every match before
// the row limit, and the app list is read from every moment.
std::vector<HitKey> referenceSearch(SQLiteDatabase& db, const SearchQuery& query, Time now) {
    const std::optional<std::string> expression = query.matchExpression(true);
    if (!expression || query.limit <= 0) {
        return {};
    }
    std::vector<std::string> bundles = query.appBundleIDs;
    if (!query.appNameFilters().empty()) {
        std::vector<std::string> matching;
        db.readRows("SELECT DISTINCT app_bundle, app_name FROM frames WHERE app_bundle IS NOT NULL", {},
                    false, [&](const SQLRow& row) {
                        if (MemoryStore::appMatchesFilter(*row.text(0), row.text(1).value_or(""),
                                                          query.appNameFilters())) {
                            matching.push_back(*row.text(0));
                        }
                        return true;
                    });
        if (matching.empty()) {
            return {};
        }
        if (bundles.empty()) {
            bundles = matching;
        } else {
            std::erase_if(bundles, [&](const std::string& b) {
                return std::find(matching.begin(), matching.end(), b) == matching.end();
            });
            if (bundles.empty()) {
                return {};
            }
        }
    }
    std::string sql =
        "SELECT f.id, f.ts, f.app_bundle, f.window_title, bm25(frame_fts, 2.0, 1.0, 1.0) AS score\n"
        "FROM frame_fts JOIN frames f ON f.id = frame_fts.rowid LEFT JOIN segments s ON s.id = "
        "f.segment_id\nWHERE frame_fts MATCH ?";
    std::vector<SQLValue> values{SQLValue::text(*expression)};
    if (query.from) {
        sql += " AND f.ts >= ?";
        values.push_back(SQLValue::real(*query.from));
    }
    if (query.to) {
        sql += " AND f.ts < ?";
        values.push_back(SQLValue::real(*query.to));
    }
    if (!bundles.empty()) {
        sql += " AND f.app_bundle IN (";
        for (std::size_t i = 0; i < bundles.size(); ++i) {
            sql += i ? ",?" : "?";
            values.push_back(SQLValue::text(bundles[i]));
        }
        sql += ")";
    }
    sql += query.sort == SearchQuery::Sort::relevance ? " ORDER BY score LIMIT ?"
                                                      : " ORDER BY f.ts DESC LIMIT ?";
    values.push_back(SQLValue::integer(std::max<std::int64_t>(query.limit * 8, 200)));

    struct Group {
        std::int64_t id;
        Time ts;
        std::optional<std::string> bundle, title;
        double relevance;
        std::int64_t count;
    };
    std::vector<Group> groups;
    db.readRows(sql, values, false, [&](const SQLRow& row) {
        const Time ts = row.real(1);
        const auto bundle = row.text(2);
        const auto title = row.text(3);
        const auto group = std::find_if(groups.begin(), groups.end(), [&](const Group& g) {
            return g.bundle == bundle && g.title == title && std::abs(g.ts - ts) < 600;
        });
        if (group != groups.end()) {
            ++group->count;
        } else {
            groups.push_back({row.int64(0), ts, bundle, title, -row.real(4), 1});
        }
        return true;
    });
    const auto score = [&](const Group& g) {
        return MemoryStore::groupScore(g.relevance, g.count, g.ts, now);
    };
    if (query.sort == SearchQuery::Sort::relevance) {
        std::stable_sort(groups.begin(), groups.end(),
                         [&](const Group& a, const Group& b) { return score(a) > score(b); });
    }
    std::vector<HitKey> hits;
    for (std::size_t i = 0; i < groups.size() && static_cast<std::int64_t>(i) < query.limit; ++i) {
        hits.push_back({groups[i].id, groups[i].count, score(groups[i])});
    }
    return hits;
}

std::vector<HitKey> keys(const std::vector<SearchHit>& hits) {
    std::vector<HitKey> result;
    for (const SearchHit& hit : hits) {
        result.push_back({hit.frame.id, hit.matchCount, hit.score});
    }
    return result;
}

// A few thousand moments made the same way every run: runs of captures of one window, words of a
// skewed vocabulary (the commonest in nearly every moment), browser pages, and the disorders a real
// memory meets: equal times, the clock set back for a while, and old moments imported last.
class MemoryStoreSearchEquivalenceTest : public ::testing::Test {
  protected:
    testsupport::TemporaryDirectory folder;
    MemoryStore store{folder.path() / "ostrel.sqlite", false};
    std::mt19937_64 random{34};
    std::vector<std::string> words;
    Time clock = start;
    Time latest = start;

    MemoryStoreSearchEquivalenceTest() {
        const std::string letters = "abcdefghiklmnoprstuyz";
        while (words.size() < 400) {
            std::string word;
            for (std::size_t i = 0, n = 2 + random() % 6; i < n; ++i) {
                word += letters[random() % letters.size()];
            }
            if (std::find(words.begin(), words.end(), word) == words.end()) {
                words.push_back(word);
            }
        }
    }

    // Rank r drawn about as often as 1 / (r + 1).
    const std::string& word() {
        const double x = std::ldexp(static_cast<double>(random() >> 11), -53);
        return words[static_cast<std::size_t>(std::pow(static_cast<double>(words.size() + 1), x)) - 1];
    }

    void addRun(Time at) {
        const std::size_t app = random() % 12;
        const std::size_t title = random() % 4;
        for (std::size_t i = 0, n = 1 + random() % 12; i < n; ++i) {
            NewFrame frame;
            frame.timestamp = at;
            at += static_cast<Time>(random() % 40);
            frame.appBundleID = "org.example.app" + std::to_string(app);
            frame.appName = app == 3 ? std::nullopt : std::optional<std::string>("App " + words[app * 7]);
            frame.windowTitle =
                title == 3 ? std::nullopt : std::optional<std::string>(words[title * 5 + app]);
            if (app < 3) {
                frame.url = "https://www." + words[50 + app * 4 + title] + ".example/" + word();
            }
            std::string line;
            for (std::size_t w = 0, count = 10 + random() % 50; w < count; ++w) {
                line += (w % 9 == 8 ? "\n" : w ? " " : "") + word();
            }
            frame.lines = {line};
            store.insertFrame(frame);
        }
        clock = at;
        latest = std::max(latest, at);
    }

    void build() {
        for (int run = 0; run < 400; ++run) {
            addRun(clock + static_cast<Time>(random() % 300));
            if (run == 200) {
                clock -= 7200; // the clock set back two hours
            }
        }
        for (int run = 0; run < 20; ++run) {
            addRun(start - 86400.0 * 3 + run * 1000.0); // an import of older moments
        }
        const auto untitled = [&](std::string line) {
            NewFrame frame;
            frame.timestamp = latest - 500;
            frame.lines = {std::move(line)};
            return store.insertFrame(frame);
        };
        const auto id = untitled(words[0]);
        untitled(words[0]); // an equal time
        untitled(words[0] + " " + words[1]);
        ASSERT_GT(id, 2500);
    }

    // Two neighbouring words of a stored text, as a quoted phrase.
    std::string phraseFrom(std::int64_t id) {
        const std::string body = *store.text(id);
        const std::size_t space = body.find(' ');
        const std::size_t end = body.find_first_of(" \n", space + 1);
        return "\"" + body.substr(0, end) + "\"";
    }
};

TEST_F(MemoryStoreSearchEquivalenceTest, EveryQueryClassFindsWhatTheFullRankingFinds) {
    build();
    const Time now = latest + 3600;
    const std::vector<std::string> texts = {words[0],
                                            words[1] + " ",
                                            words[2] + " " + words[3],
                                            words[20],
                                            words[150] + " ",
                                            words[399],
                                            words[5] + " " + words[60],
                                            words[0].substr(0, 1),
                                            words[7].substr(0, 2),
                                            words[30].substr(0, 3),
                                            phraseFrom(100),
                                            phraseFrom(2000),
                                            "app:app " + words[4],
                                            "app:example.app1 " + words[0] + " ",
                                            "uygulama:" + words[14] + " " + words[2],
                                            "site:" + words[50],
                                            "site:example " + words[1],
                                            words[0] + " site:" + words[55],
                                            "zzzz",
                                            "app:nothing " + words[0]};
    struct Filters {
        std::optional<Time> from, to;
        std::vector<std::string> bundles;
    };
    const std::vector<Filters> filters = {
        {},
        {start + 20'000, std::nullopt, {}},
        {start - 86400.0 * 3 + 5000, start + 40'000, {}},
        {latest - 300, std::nullopt, {}},
        {now, std::nullopt, {}},
        {std::nullopt, std::nullopt, {"org.example.app0", "org.example.app5"}},
        {start + 10'000, std::nullopt, {"org.example.app1"}},
    };
    int compared = 0;
    int full = 0;
    for (const std::string& text : texts) {
        for (const Filters& filter : filters) {
            for (const std::int64_t limit : {3, 20, 40}) {
                for (const SearchQuery::Sort sort : SearchQuery::allSorts) {
                    const SearchQuery query(text, filter.from, filter.to, filter.bundles, limit, sort);
                    const std::vector<HitKey> expected = referenceSearch(store.db(), query, now);
                    ASSERT_EQ(keys(store.search(query, now)), expected)
                        << text << " limit " << limit << " sort " << toRaw(sort) << " from "
                        << filter.from.value_or(0) << " to " << filter.to.value_or(0);
                    ++compared;
                    full += static_cast<std::int64_t>(expected.size()) == limit;
                }
            }
        }
    }
    // The table reaches both full answers and short ones.
    EXPECT_GT(full, compared / 4);
    EXPECT_LT(full, compared);
}

} // namespace
