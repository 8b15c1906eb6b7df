#pragma once

#include <limits>
#include <memory>

struct sqlite3;

namespace ostrel {

// Ranks a relevance search by bm25 inside the full-text scan, and lets it skip the matches that cannot
// rank among the best rows found so far. It adds two FTS5 functions to a connection, both taking the
// table and the column weights of bm25:
// - relevance_value: the row's relevance value. With several phrases it is the relevance itself (the
//   negated bm25). With one phrase it is the relevance before the phrase's inverse document frequency,
//   a factor common to every row; that factor is known once the scan has counted the matches, so the
//   phrase is not read a second time just to count them, as bm25 does.
// - relevance_bound: true when a bound on the row's relevance value reaches the cut. The bound reads
//   only the row's hits, never its length: bm25 falls as a row grows, and a row holds at least the
//   tokens up to its last hit in each column.
// One scan at a time: the search resets the cut, steps through the statement, raising the cut as it
// reads rows, and turns the values of the rows it kept into bm25 scores.
class RelevanceCut final {
  public:
    RelevanceCut();
    ~RelevanceCut();
    RelevanceCut(const RelevanceCut&) = delete;
    RelevanceCut& operator=(const RelevanceCut&) = delete;

    // Adds the functions to the connection; false when the library has no FTS5. The object must
    // outlive every statement that uses them.
    bool install(sqlite3* db);
    // Before each scan. `seesEveryMatch`: the statement asks relevance_bound for every match of its
    // expression (no row-id bound narrows the scan), so a lone phrase's matches can be counted there.
    void reset(bool seesEveryMatch);
    // Rows whose relevance value cannot reach `value` are skipped from now on.
    void raise(double value) { cut_ = value; }
    // After the scan: the bm25 score, bit for bit as SQLite's bm25 gives it, of a row of that scan
    // with this relevance value.
    double score(double value) const;
    // Room for a different rounding of the same arithmetic: values this close may give equal scores.
    static constexpr double margin = 1e-9;

  private:
    struct Statistics;
    friend struct RelevanceFunctions;

    bool seesEveryMatch_ = false;
    double cut_ = -std::numeric_limits<double>::infinity();
    std::unique_ptr<Statistics> statistics_;
};

} // namespace ostrel
