#pragma once

#include <limits>

struct sqlite3;

namespace ostrel {

// Lets a relevance search skip, inside the full-text scan, the matches that cannot rank among the
// best rows found so far. It adds two FTS5 functions to a connection, both taking the table and the
// column weights of bm25:
// - relevance_bound: true when a bound on the row's bm25 relevance (the negated bm25) reaches the
//   cut. The bound reads only the row's hits, never its length: bm25 falls as a row grows, and a row
//   holds at least the tokens up to its last hit in each column.
// - relevance_shape: the row's relevance before the inverse document frequencies. With one phrase
//   that factor is the same for every row, so the bound is compared with the cut's shape and the
//   query's match counts are not read a second time.
// The search raises the cut as it reads rows; with the cut at its lowest every row passes.
class RelevanceCut final {
  public:
    // Adds the functions to the connection; false when the library has no FTS5. The object must
    // outlive every statement that uses them.
    bool install(sqlite3* db);
    void reset() { relevance_ = shape_ = -std::numeric_limits<double>::infinity(); }
    // Rows that cannot reach this relevance, or with one phrase this shape, are skipped from now on.
    void raise(double relevance, double shape) {
        relevance_ = relevance;
        shape_ = shape;
    }
    double relevance() const { return relevance_; }
    double shape() const { return shape_; }

  private:
    double relevance_ = -std::numeric_limits<double>::infinity();
    double shape_ = -std::numeric_limits<double>::infinity();
};

} // namespace ostrel
