#include "Storage/MemoryStore.h"

#include "Search/SnippetBuilder.h"
#include "Search/TextNormalizer.h"

#include <algorithm>
#include <cmath>
#include <limits>
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

    std::vector<std::string> bundles = query.appBundleIDs;
    if (!query.appNameFilters().empty()) {
        const auto apps = db_->query(
            "SELECT DISTINCT app_bundle, app_name FROM frames WHERE app_bundle IS NOT NULL", {}, true,
            [](const SQLRow& row) { return std::pair(row.text(0).value_or(""), row.text(1).value_or("")); });
        std::vector<std::string> matching;
        for (const auto& [bundle, name] : apps) {
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

    std::string sql =
        std::string("SELECT ") + frameSummaryColumns +
        ", bm25(frame_fts, 2.0, 1.0, 1.0) AS score\nFROM frame_fts JOIN frames f ON f.id = frame_fts.rowid "
        "LEFT JOIN segments s ON s.id = f.segment_id\nWHERE frame_fts MATCH ?";
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
        sql += " AND f.app_bundle IN (" + placeholders(bundles.size()) + ")";
        for (const std::string& bundle : bundles) {
            values.push_back(SQLValue::text(bundle));
        }
    }
    sql += query.sort == SearchQuery::Sort::relevance ? " ORDER BY score LIMIT ?"
                                                      : " ORDER BY f.ts DESC LIMIT ?";
    values.push_back(SQLValue::integer(rowLimit(query.limit)));

    std::vector<Group> groups = grouped(db_->query(sql, values, false, readScoredSummary));
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
