#include "Storage/MemoryStore.h"

#include "Search/RelevanceCut.h"
#include "Search/SnippetBuilder.h"
#include "Search/TextNormalizer.h"
#include "Storage/DatabaseSchema.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <queue>
#include <unordered_map>

namespace ostrel {
namespace {

// Moments of one window closer than this together make one hit.
constexpr double groupSpanSeconds = 600;
constexpr std::int64_t snippetLength = 180;
// Placeholders per statement, as everywhere in the store.
constexpr std::size_t maxPlaceholders = 400;

struct ScoredSummary {
    FrameSummary summary;
    double score = 0;
};

struct Group {
    FrameSummary representative;
    double relevance = 0;
    std::int64_t count = 1;
};

ScoredSummary readScoredSummary(const SQLRow& row) {
    return {MemoryStore::readFrameSummary(row), row.real(10)};
}

std::string placeholders(std::size_t count) {
    std::string list;
    for (std::size_t i = 0; i < count; ++i) {
        list += i == 0 ? "?" : ",?";
    }
    return list;
}

// Enough rows to fill `limit` groups when runs of one window are common, bounded whatever the index size.
std::int64_t rowLimit(std::int64_t limit) {
    constexpr std::int64_t largest = std::numeric_limits<std::int64_t>::max() / 8;
    return std::max<std::int64_t>(std::min(limit, largest) * 8, 200);
}

std::vector<Group> grouped(const std::vector<ScoredSummary>& rows) {
    std::vector<Group> groups;
    for (const ScoredSummary& row : rows) {
        const auto group = std::find_if(groups.begin(), groups.end(), [&](const Group& g) {
            return g.representative.appBundleID == row.summary.appBundleID &&
                   g.representative.windowTitle == row.summary.windowTitle &&
                   std::abs(g.representative.timestamp - row.summary.timestamp) < groupSpanSeconds;
        });
        if (group != groups.end()) {
            ++group->count;
        } else {
            groups.push_back({row.summary, -row.score, 1});
        }
    }
    return groups;
}

// Every (bundle identifier, app name) pair that moments carry, a missing name read as empty text.
std::vector<std::pair<std::string, std::string>> storedApps(SQLiteDatabase& db, bool withAids) {
    const auto pair = [](const SQLRow& row) {
        return std::pair(row.text(0).value_or(""), row.text(1).value_or(""));
    };
    if (withAids) {
        return db.query("SELECT app_bundle, app_name FROM frame_apps", {}, true, pair);
    }
    return db.query("SELECT DISTINCT app_bundle, app_name FROM frames WHERE app_bundle IS NOT NULL", {}, true,
                    pair);
}

// The lowest row id a moment at `from` or later can have: the first block whose latest time reaches
// `from`. Absent when no block does, so no moment is that recent.
std::optional<std::int64_t> lowestIDFrom(SQLiteDatabase& db, Time from) {
    const auto block =
        db.scalarInt("SELECT min(block) FROM frame_time_blocks WHERE max_ts >= ?", {SQLValue::real(from)});
    if (!block) {
        return std::nullopt;
    }
    return *block << DatabaseSchema::timeBlockShift;
}

// The latest time a moment with a row id below `id` can have: that of the whole blocks below its
// block and of its own block's rows below it. Absent when there is no such moment.
std::optional<Time> latestTimeBelow(SQLiteDatabase& db, std::int64_t id) {
    const std::int64_t block = id >> DatabaseSchema::timeBlockShift;
    const std::optional<Time> blocks = db.scalarDouble(
        "SELECT max(max_ts) FROM frame_time_blocks WHERE block < ?", {SQLValue::integer(block)});
    const std::optional<Time> own =
        db.scalarDouble("SELECT max(ts) FROM frames WHERE id >= ? AND id < ?",
                        {SQLValue::integer(block << DatabaseSchema::timeBlockShift), SQLValue::integer(id)});
    if (blocks && own) {
        return std::max(*blocks, *own);
    }
    return blocks ? blocks : own;
}

Time nthNewest(const std::vector<ScoredSummary>& rows, std::size_t n) {
    std::vector<Time> times;
    times.reserve(rows.size());
    for (const ScoredSummary& row : rows) {
        times.push_back(row.summary.timestamp);
    }
    std::nth_element(times.begin(), times.begin() + static_cast<std::ptrdiff_t>(n - 1), times.end(),
                     std::greater<>());
    return times[n - 1];
}

// The `count` newest rows of `select` (which must not order or limit), newest first, and of equal
// times the lowest row id first, as a sort of all matches by time would give them. Moments are
// written in time order, so the index is read from the highest row id down; reading stops once no
// moment below the last row read can be as new as the count-th newest row found. Where a clock
// change or an import broke the order, the block times say so and reading simply goes on.
std::vector<ScoredSummary> newestRows(SQLiteDatabase& db, const std::string& select,
                                      const std::vector<SQLValue>& values, std::int64_t count) {
    const auto wanted = static_cast<std::size_t>(count);
    std::vector<ScoredSummary> rows;
    std::size_t nextCheck = wanted;
    db.readRows(select + " ORDER BY frame_fts.rowid DESC", values, false, [&](const SQLRow& row) {
        rows.push_back(readScoredSummary(row));
        if (rows.size() < nextCheck) {
            return true;
        }
        // Checks grow further apart, so a memory out of order costs few of them.
        nextCheck = rows.size() + std::max<std::size_t>(16, rows.size() / 4);
        const std::optional<Time> below = latestTimeBelow(db, rows.back().summary.id);
        return below && *below >= nthNewest(rows, wanted);
    });
    std::stable_sort(rows.begin(), rows.end(), [](const ScoredSummary& a, const ScoredSummary& b) {
        if (a.summary.timestamp != b.summary.timestamp) {
            return a.summary.timestamp > b.summary.timestamp;
        }
        return a.summary.id < b.summary.id;
    });
    if (rows.size() > wanted) {
        rows.resize(wanted);
    }
    return rows;
}

// The `count` best rows of `select` (which must not order or limit, and reads relevance_value in place
// of the score) by bm25, best first, and of equal scores the lowest row id first, as a sort of all
// matches gives them. The statement asks relevance_bound for each match before reading its moment, and
// the cut follows the count-th best value read so far, so that the scan passes on only matches that may
// still rank.
std::vector<ScoredSummary> bestRows(SQLiteDatabase& db, RelevanceCut& cut, const std::string& select,
                                    const std::vector<SQLValue>& values, std::int64_t count,
                                    bool seesEveryMatch) {
    const auto wanted = static_cast<std::size_t>(count);
    // Until the scan ends, `score` holds the relevance value: higher is better.
    std::vector<ScoredSummary> rows;
    std::priority_queue<double, std::vector<double>, std::greater<>> bestValues;
    cut.reset(seesEveryMatch);
    db.readRows(select, values, false, [&](const SQLRow& row) {
        ScoredSummary read = readScoredSummary(row);
        // Rows arrive by row id. Once `count` rows are at least as good, a row no better than all of
        // them has a score no better and a higher row id: it cannot rank.
        if (bestValues.size() == wanted) {
            if (read.score <= bestValues.top()) {
                return true;
            }
            bestValues.pop();
        }
        bestValues.push(read.score);
        rows.push_back(std::move(read));
        if (bestValues.size() == wanted) {
            const double least = bestValues.top();
            cut.raise(least);
            // Kept rows far enough below the count-th value are worse in score too; one closer may
            // still round to its score and rank before it by row id.
            if (rows.size() > 4 * wanted + 64) {
                std::erase_if(rows, [&](const ScoredSummary& r) {
                    return r.score + r.score * RelevanceCut::margin < least;
                });
            }
        }
        return true;
    });
    for (ScoredSummary& row : rows) {
        row.score = cut.score(row.score);
    }
    std::sort(rows.begin(), rows.end(), [](const ScoredSummary& a, const ScoredSummary& b) {
        return a.score != b.score ? a.score < b.score : a.summary.id < b.summary.id;
    });
    if (rows.size() > wanted) {
        rows.resize(wanted);
    }
    return rows;
}

} // namespace

bool MemoryStore::appMatchesFilter(const std::string& bundleID, const std::string& appName,
                                   const std::vector<std::string>& filters) {
    const std::string name = TextNormalizer::fold(appName);
    const std::string bundle = TextNormalizer::fold(bundleID);
    return std::any_of(filters.begin(), filters.end(), [&](const std::string& filter) {
        return name.find(filter) != std::string::npos || bundle.find(filter) != std::string::npos;
    });
}

double MemoryStore::groupScore(double relevance, std::int64_t count, Time timestamp, Time now) {
    const double age = std::max(now - timestamp, 0.0);
    const double recency = 0.6 + 0.4 * std::exp(-age / 86400.0 / 7.0);
    const double countFactor = 1.0 + 0.05 * std::log(static_cast<double>(std::max<std::int64_t>(count, 1)));
    return std::max(relevance, 0.0001) * recency * countFactor;
}

std::vector<SearchHit> MemoryStore::search(const SearchQuery& query, Time now) {
    const std::optional<std::string> expression = query.matchExpression(true);
    // A negative limit asks for nothing, like 0; it must not reach the row count or the cut below.
    if (!expression || query.limit <= 0) {
        return {};
    }

    // Files of older versions, read before the writer upgraded them, have no search aids.
    const bool withAids = hasSearchAids();
    std::vector<std::string> bundles = query.appBundleIDs;
    if (!query.appNameFilters().empty()) {
        std::vector<std::string> matching;
        for (const auto& [bundle, name] : storedApps(*db_, withAids)) {
            if (appMatchesFilter(bundle, name, query.appNameFilters())) {
                matching.push_back(bundle);
            }
        }
        if (matching.empty()) {
            return {};
        }
        if (bundles.empty()) {
            bundles = std::move(matching);
        } else {
            std::erase_if(bundles, [&](const std::string& bundle) {
                return std::find(matching.begin(), matching.end(), bundle) == matching.end();
            });
            if (bundles.empty()) {
                return {};
            }
        }
    }

    const bool newestByRowID = query.sort == SearchQuery::Sort::newest && withAids;
    const bool cutByRelevance = query.sort == SearchQuery::Sort::relevance && relevanceCut_;
    // The ways below read the index in row order and step through it themselves: the full-text
    // table must stay the outer loop (CROSS JOIN), or SQLite may walk an app's moments instead and
    // start the match, and bm25's counts over the whole index, again for each of them.
    std::string sql =
        std::string("SELECT ") + frameSummaryColumns +
        (cutByRelevance ? ", relevance_value(frame_fts, 2.0, 1.0, 1.0)"
                        : ", bm25(frame_fts, 2.0, 1.0, 1.0) AS score") +
        "\nFROM frame_fts " + (newestByRowID || cutByRelevance ? "CROSS JOIN" : "JOIN") +
        " frames f ON f.id = frame_fts.rowid LEFT JOIN segments s ON s.id = f.segment_id\nWHERE "
        "frame_fts MATCH ?";
    // Asked first, of every match: one that cannot rank is passed over before its moment is read, and a
    // lone phrase's matches are counted for its score.
    if (cutByRelevance) {
        sql += " AND relevance_bound(frame_fts, 2.0, 1.0, 1.0)";
    }
    std::vector<SQLValue> values{SQLValue::text(*expression)};
    if (query.from) {
        sql += " AND f.ts >= ?";
        values.push_back(SQLValue::real(*query.from));
    }
    if (query.to) {
        sql += " AND f.ts < ?";
        values.push_back(SQLValue::real(*query.to));
    }
    const bool boundedByRowID = query.from && withAids;
    if (boundedByRowID) {
        // Rows below the first block that reaches `from` are all older: the index skips them.
        const std::optional<std::int64_t> lowest = lowestIDFrom(*db_, *query.from);
        if (!lowest) {
            return {};
        }
        sql += " AND frame_fts.rowid >= ?";
        values.push_back(SQLValue::integer(*lowest));
    }
    if (!bundles.empty()) {
        sql += " AND f.app_bundle IN (" + placeholders(bundles.size()) + ")";
        for (const std::string& bundle : bundles) {
            values.push_back(SQLValue::text(bundle));
        }
    }
    std::vector<ScoredSummary> rows;
    if (newestByRowID) {
        rows = newestRows(*db_, sql, values, rowLimit(query.limit));
    } else if (cutByRelevance) {
        rows = bestRows(*db_, *relevanceCut_, sql, values, rowLimit(query.limit), !boundedByRowID);
    } else {
        sql += query.sort == SearchQuery::Sort::relevance ? " ORDER BY score LIMIT ?"
                                                          : " ORDER BY f.ts DESC LIMIT ?";
        values.push_back(SQLValue::integer(rowLimit(query.limit)));
        rows = db_->query(sql, values, false, readScoredSummary);
    }

    std::vector<Group> groups = grouped(rows);
    const auto scoreOf = [&](const Group& g) {
        return groupScore(g.relevance, g.count, g.representative.timestamp, now);
    };
    if (query.sort == SearchQuery::Sort::relevance) {
        std::stable_sort(groups.begin(), groups.end(),
                         [&](const Group& a, const Group& b) { return scoreOf(a) > scoreOf(b); });
    }
    if (static_cast<std::int64_t>(groups.size()) > query.limit) {
        groups.resize(static_cast<std::size_t>(query.limit));
    }
    if (groups.empty()) {
        return {};
    }

    std::unordered_map<std::int64_t, std::string> bodies;
    for (std::size_t first = 0; first < groups.size(); first += maxPlaceholders) {
        const std::size_t count = std::min(maxPlaceholders, groups.size() - first);
        std::vector<SQLValue> ids;
        for (std::size_t i = first; i < first + count; ++i) {
            ids.push_back(SQLValue::integer(groups[i].representative.id));
        }
        const auto texts = db_->query(
            "SELECT frame_id, body FROM frame_text WHERE frame_id IN (" + placeholders(count) + ")", ids,
            false, [](const SQLRow& row) { return std::pair(row.int64(0), row.text(1).value_or("")); });
        for (const auto& [id, body] : texts) {
            bodies[id] = body;
        }
    }

    const std::vector<std::string> terms = query.highlightTerms();
    std::vector<SearchHit> hits;
    hits.reserve(groups.size());
    for (const Group& group : groups) {
        const auto body = bodies.find(group.representative.id);
        hits.push_back({group.representative,
                        SnippetBuilder::build(body != bodies.end() ? body->second : std::string(),
                                              group.representative.windowTitle, group.representative.url,
                                              terms, snippetLength),
                        group.count, scoreOf(group)});
    }
    return hits;
}

} // namespace ostrel
