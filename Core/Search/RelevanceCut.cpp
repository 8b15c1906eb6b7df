#include "Search/RelevanceCut.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace ostrel {
namespace {

// bm25's constants, as SQLite's FTS5 uses them.
constexpr double k1 = 1.2;
constexpr double b = 0.75;
// Room for a different rounding of the same arithmetic: a bound may only err upwards.
constexpr double margin = 1e-9;

// What bm25 computes once per query, computed the same way (the inverse document frequencies only where they
// are needed), and buffers reused for every row.
struct QueryStatistics {
    double averageLength = 0;
    std::vector<double> inverseFrequency; // per phrase
    std::vector<double> frequency;        // per phrase, of the current row
    std::vector<int> lastToken;           // per column, of the current row
};

// bm25's weight of one phrase in a row of `length` tokens, before the inverse document frequency.
double saturation(double frequency, double length, double averageLength) {
    return (frequency * (k1 + 1.0)) / (frequency + k1 * (1 - b + b * length / averageLength));
}

int countRow(const Fts5ExtensionApi*, Fts5Context*, void* count) {
    ++*static_cast<sqlite3_int64*>(count);
    return SQLITE_OK;
}

int computeStatistics(const Fts5ExtensionApi* api, Fts5Context* fts, bool withInverseFrequencies,
                      QueryStatistics& statistics) {
    sqlite3_int64 rows = 0;
    sqlite3_int64 tokens = 0;
    int result = api->xRowCount(fts, &rows);
    if (result == SQLITE_OK) {
        result = api->xColumnTotalSize(fts, -1, &tokens);
    }
    if (result != SQLITE_OK) {
        return result;
    }
    statistics.averageLength = static_cast<double>(tokens) / static_cast<double>(rows);
    const int phrases = api->xPhraseCount(fts);
    for (int phrase = 0; withInverseFrequencies && phrase < phrases; ++phrase) {
        sqlite3_int64 hits = 0;
        result = api->xQueryPhrase(fts, phrase, &hits, countRow);
        if (result != SQLITE_OK) {
            return result;
        }
        const double idf =
            std::log((static_cast<double>(rows - hits) + 0.5) / (static_cast<double>(hits) + 0.5));
        statistics.inverseFrequency.push_back(idf <= 0.0 ? 1e-6 : idf);
    }
    statistics.frequency.resize(static_cast<std::size_t>(phrases));
    statistics.lastToken.resize(static_cast<std::size_t>(api->xColumnCount(fts)));
    return SQLITE_OK;
}

// The query's statistics, computed on the function's first row; null after reporting a failure.
QueryStatistics* statisticsFor(const Fts5ExtensionApi* api, Fts5Context* fts, sqlite3_context* context,
                               bool withInverseFrequencies) {
    if (auto* statistics = static_cast<QueryStatistics*>(api->xGetAuxdata(fts, 0))) {
        return statistics;
    }
    auto* statistics = new QueryStatistics;
    int result = computeStatistics(api, fts, withInverseFrequencies, *statistics);
    const int kept =
        api->xSetAuxdata(fts, statistics, [](void* data) { delete static_cast<QueryStatistics*>(data); });
    result = result == SQLITE_OK ? kept : result;
    if (result != SQLITE_OK) {
        sqlite3_result_error_code(context, result);
        return nullptr;
    }
    return statistics;
}

// Adds up the row's weighted hits per phrase, and notes its last hit token per column, as bm25 counts them;
// false after reporting a failure.
bool readHits(const Fts5ExtensionApi* api, Fts5Context* fts, sqlite3_context* context, int weightCount,
              sqlite3_value** weights, QueryStatistics& statistics) {
    std::fill(statistics.lastToken.begin(), statistics.lastToken.end(), -1);
    // The row's own position lists, read directly: cheaper than building its list of all hits.
    const int phrases = static_cast<int>(statistics.frequency.size());
    for (int phrase = 0; phrase < phrases; ++phrase) {
        double frequency = 0;
        const int lastOfPhrase = api->xPhraseSize(fts, phrase) - 1;
        Fts5PhraseIter hit;
        int column = 0;
        int offset = 0;
        if (const int result = api->xPhraseFirst(fts, phrase, &hit, &column, &offset); result != SQLITE_OK) {
            sqlite3_result_error_code(context, result);
            return false;
        }
        for (; column >= 0; api->xPhraseNext(fts, &hit, &column, &offset)) {
            frequency += weightCount > column ? sqlite3_value_double(weights[column]) : 1.0;
            int& last = statistics.lastToken[static_cast<std::size_t>(column)];
            last = std::max(last, offset + lastOfPhrase);
        }
        statistics.frequency[static_cast<std::size_t>(phrase)] = frequency;
    }
    return true;
}

// Whether the row may reach the cut: its bm25 relevance with its length taken as the tokens up to its last
// hit in each column, never below the relevance with its true length. With one phrase the inverse document
// frequency is the same for every row, and the shapes are compared instead.
void relevanceBound(const Fts5ExtensionApi* api, Fts5Context* fts, sqlite3_context* context, int weightCount,
                    sqlite3_value** weights) {
    const auto* cut = static_cast<const RelevanceCut*>(api->xUserData(fts));
    const bool onePhrase = api->xPhraseCount(fts) == 1;
    QueryStatistics* statistics = statisticsFor(api, fts, context, !onePhrase);
    if (statistics == nullptr || !readHits(api, fts, context, weightCount, weights, *statistics)) {
        return;
    }
    double length = 0;
    for (const int last : statistics->lastToken) {
        length += last + 1;
    }
    double bound = 0;
    for (std::size_t i = 0; i < statistics->frequency.size(); ++i) {
        const double weight = saturation(statistics->frequency[i], length, statistics->averageLength);
        bound += onePhrase ? weight : statistics->inverseFrequency[i] * weight;
    }
    const double reach = onePhrase ? cut->shape() : cut->relevance();
    sqlite3_result_int(context, bound + std::abs(bound) * margin >= reach ? 1 : 0);
}

// The row's bm25 relevance before the inverse document frequencies: the sum of its phrases' weights.
void relevanceShape(const Fts5ExtensionApi* api, Fts5Context* fts, sqlite3_context* context, int weightCount,
                    sqlite3_value** weights) {
    QueryStatistics* statistics = statisticsFor(api, fts, context, false);
    if (statistics == nullptr || !readHits(api, fts, context, weightCount, weights, *statistics)) {
        return;
    }
    int tokens = 0;
    if (const int result = api->xColumnSize(fts, -1, &tokens); result != SQLITE_OK) {
        sqlite3_result_error_code(context, result);
        return;
    }
    double shape = 0;
    for (const double frequency : statistics->frequency) {
        shape += saturation(frequency, tokens, statistics->averageLength);
    }
    sqlite3_result_double(context, shape);
}

} // namespace

bool RelevanceCut::install(sqlite3* db) {
    fts5_api* fts5 = nullptr;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_pointer(statement, 1, static_cast<void*>(&fts5), "fts5_api_ptr", nullptr);
        sqlite3_step(statement);
    }
    sqlite3_finalize(statement);
    return fts5 != nullptr && fts5->iVersion >= 2 &&
           fts5->xCreateFunction(fts5, "relevance_bound", this, relevanceBound, nullptr) == SQLITE_OK &&
           fts5->xCreateFunction(fts5, "relevance_shape", this, relevanceShape, nullptr) == SQLITE_OK;
}

} // namespace ostrel
