#include "Search/RelevanceCut.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace ostrel {
namespace {

// bm25's constants, as SQLite's FTS5 uses them.
constexpr double k1 = 1.2;
constexpr double b = 0.75;

// bm25's weight of one phrase in a row of `length` tokens, before the inverse document frequency.
double saturation(double frequency, double length, double averageLength) {
    return (frequency * (k1 + 1.0)) / (frequency + k1 * (1 - b + b * length / averageLength));
}

// bm25's inverse document frequency of a phrase found in `hits` of `rows` rows.
double inverseFrequency(sqlite3_int64 rows, sqlite3_int64 hits) {
    const double idf = std::log((static_cast<double>(rows - hits) + 0.5) / (static_cast<double>(hits) + 0.5));
    return idf <= 0.0 ? 1e-6 : idf;
}

int countRow(const Fts5ExtensionApi*, Fts5Context*, void* count) {
    ++*static_cast<sqlite3_int64*>(count);
    return SQLITE_OK;
}

} // namespace

// What bm25 computes once per query, computed the same way, and buffers reused for every row.
struct RelevanceCut::Statistics {
    sqlite3_int64 rows = 0;
    double averageLength = 0;
    // A lone phrase whose inverse document frequency waits for the scan to count its matches.
    bool countedInScan = false;
    // Per phrase, unless counted in the scan.
    std::vector<double> inverseFrequency;
    // Rows the scan asked relevance_bound about.
    sqlite3_int64 matches = 0;
    std::vector<double> weight;    // per column, of the current call
    std::vector<double> frequency; // per phrase, of the current row
    std::vector<int> lastToken;    // per column, of the current row
};

// The two functions. Each reports a failure of the FTS5 interface as the statement's error.
struct RelevanceFunctions {
    using Statistics = RelevanceCut::Statistics;

    // The scan's statistics, read on its first call; null after reporting a failure.
    static Statistics* statisticsFor(RelevanceCut& cut, const Fts5ExtensionApi* api, Fts5Context* fts,
                                     sqlite3_context* context) {
        if (cut.statistics_) {
            return cut.statistics_.get();
        }
        auto statistics = std::make_unique<Statistics>();
        sqlite3_int64 tokens = 0;
        int result = api->xRowCount(fts, &statistics->rows);
        if (result == SQLITE_OK) {
            result = api->xColumnTotalSize(fts, -1, &tokens);
        }
        const int phrases = api->xPhraseCount(fts);
        statistics->countedInScan = phrases == 1 && cut.seesEveryMatch_;
        for (int phrase = 0; result == SQLITE_OK && !statistics->countedInScan && phrase < phrases;
             ++phrase) {
            sqlite3_int64 hits = 0;
            result = api->xQueryPhrase(fts, phrase, &hits, countRow);
            statistics->inverseFrequency.push_back(inverseFrequency(statistics->rows, hits));
        }
        if (result != SQLITE_OK) {
            sqlite3_result_error_code(context, result);
            return nullptr;
        }
        statistics->averageLength = static_cast<double>(tokens) / static_cast<double>(statistics->rows);
        statistics->frequency.resize(static_cast<std::size_t>(phrases));
        statistics->weight.resize(static_cast<std::size_t>(api->xColumnCount(fts)));
        statistics->lastToken.resize(statistics->weight.size());
        cut.statistics_ = std::move(statistics);
        return cut.statistics_.get();
    }

    // Adds up the row's weighted hits per phrase, and notes its last hit token per column, as bm25
    // counts them; false after reporting a failure.
    static bool readHits(const Fts5ExtensionApi* api, Fts5Context* fts, sqlite3_context* context,
                         int weightCount, sqlite3_value** weights, Statistics& statistics) {
        for (std::size_t column = 0; column < statistics.weight.size(); ++column) {
            statistics.weight[column] =
                static_cast<int>(column) < weightCount ? sqlite3_value_double(weights[column]) : 1.0;
        }
        std::fill(statistics.lastToken.begin(), statistics.lastToken.end(), -1);
        // The row's own position lists, read directly: cheaper than building its list of all hits.
        const int phrases = static_cast<int>(statistics.frequency.size());
        for (int phrase = 0; phrase < phrases; ++phrase) {
            double frequency = 0;
            const int lastOfPhrase = api->xPhraseSize(fts, phrase) - 1;
            Fts5PhraseIter hit;
            int column = 0;
            int offset = 0;
            if (const int result = api->xPhraseFirst(fts, phrase, &hit, &column, &offset);
                result != SQLITE_OK) {
                sqlite3_result_error_code(context, result);
                return false;
            }
            for (; column >= 0; api->xPhraseNext(fts, &hit, &column, &offset)) {
                frequency += statistics.weight[static_cast<std::size_t>(column)];
                int& last = statistics.lastToken[static_cast<std::size_t>(column)];
                last = std::max(last, offset + lastOfPhrase);
            }
            statistics.frequency[static_cast<std::size_t>(phrase)] = frequency;
        }
        return true;
    }

    // The scan's statistics with the current row's hits read; null after reporting a failure.
    static Statistics* readRow(const Fts5ExtensionApi* api, Fts5Context* fts, sqlite3_context* context,
                               int weightCount, sqlite3_value** weights) {
        auto& cut = *static_cast<RelevanceCut*>(api->xUserData(fts));
        Statistics* statistics = statisticsFor(cut, api, fts, context);
        if (statistics == nullptr || !readHits(api, fts, context, weightCount, weights, *statistics)) {
            return nullptr;
        }
        return statistics;
    }

    // The current row's length in tokens; absent after reporting a failure.
    static std::optional<int> rowLength(const Fts5ExtensionApi* api, Fts5Context* fts,
                                        sqlite3_context* context) {
        int tokens = 0;
        if (const int result = api->xColumnSize(fts, -1, &tokens); result != SQLITE_OK) {
            sqlite3_result_error_code(context, result);
            return std::nullopt;
        }
        return tokens;
    }

    // The relevance value of the current row, had it `length` tokens, in bm25's order of operations.
    static double value(const Statistics& statistics, double length) {
        if (statistics.countedInScan) {
            return saturation(statistics.frequency.front(), length, statistics.averageLength);
        }
        double relevance = 0;
        for (std::size_t i = 0; i < statistics.frequency.size(); ++i) {
            relevance += statistics.inverseFrequency[i] *
                         saturation(statistics.frequency[i], length, statistics.averageLength);
        }
        return relevance;
    }

    // Whether the row may reach the cut: its value with its length taken as the tokens up to its last
    // hit in each column, never below its value with its true length.
    static void bound(const Fts5ExtensionApi* api, Fts5Context* fts, sqlite3_context* context,
                      int weightCount, sqlite3_value** weights) {
        const auto& cut = *static_cast<const RelevanceCut*>(api->xUserData(fts));
        Statistics* statistics = readRow(api, fts, context, weightCount, weights);
        if (statistics == nullptr) {
            return;
        }
        ++statistics->matches;
        const auto reaches = [&](double relevance) {
            return relevance + std::abs(relevance) * RelevanceCut::margin >= cut.cut_;
        };
        double length = 0;
        for (const int last : statistics->lastToken) {
            length += last + 1;
        }
        const bool mayReach = reaches(value(*statistics, length));
        // Before the cut is first raised every row passes. After, the row's true length is one lookup
        // away, far cheaper than the moment the statement would read next.
        if (!mayReach || cut.cut_ == -std::numeric_limits<double>::infinity()) {
            sqlite3_result_int(context, mayReach ? 1 : 0);
            return;
        }
        if (const std::optional<int> tokens = rowLength(api, fts, context)) {
            sqlite3_result_int(context, reaches(value(*statistics, *tokens)) ? 1 : 0);
        }
    }

    // The row's relevance value with its true length.
    static void exactValue(const Fts5ExtensionApi* api, Fts5Context* fts, sqlite3_context* context,
                           int weightCount, sqlite3_value** weights) {
        if (Statistics* statistics = readRow(api, fts, context, weightCount, weights)) {
            if (const std::optional<int> tokens = rowLength(api, fts, context)) {
                sqlite3_result_double(context, value(*statistics, *tokens));
            }
        }
    }
};

RelevanceCut::RelevanceCut() = default;
RelevanceCut::~RelevanceCut() = default;

void RelevanceCut::reset(bool seesEveryMatch) {
    seesEveryMatch_ = seesEveryMatch;
    cut_ = -std::numeric_limits<double>::infinity();
    statistics_.reset();
}

double RelevanceCut::score(double value) const {
    // bm25 adds the phrases' relevances up from zero and negates the sum.
    if (statistics_ && statistics_->countedInScan) {
        return -1.0 * (0.0 + inverseFrequency(statistics_->rows, statistics_->matches) * value);
    }
    return -1.0 * value;
}

bool RelevanceCut::install(sqlite3* db) {
    fts5_api* fts5 = nullptr;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_pointer(statement, 1, static_cast<void*>(&fts5), "fts5_api_ptr", nullptr);
        sqlite3_step(statement);
    }
    sqlite3_finalize(statement);
    return fts5 != nullptr && fts5->iVersion >= 2 &&
           fts5->xCreateFunction(fts5, "relevance_bound", this, RelevanceFunctions::bound, nullptr) ==
               SQLITE_OK &&
           fts5->xCreateFunction(fts5, "relevance_value", this, RelevanceFunctions::exactValue, nullptr) ==
               SQLITE_OK;
}

} // namespace ostrel
