#pragma once

#include <limits>

struct sqlite3;

namespace ostrel {

// Lets a relevance search skip, inside the full-text scan, the matches that cannot rank among the
// best rows found so far. It adds the FTS5 function relevance_bound(frame_fts, weights...) to a
// connection: true when a bound on the row's bm25 relevance (the negated bm25 with those weights)
// reaches the cut. The bound reads only the row's hits, never its length: bm25 falls as a row grows,
// and a row holds at least the tokens up to its last hit in each column. The search raises the cut
// as it reads rows; with the cut at its lowest every row passes.
class RelevanceCut final {
  public:
    // Adds the function to the connection; false when the library has no FTS5. The object must
    // outlive every statement that uses the function.
    bool install(sqlite3* db);
    void reset() { cut_ = -std::numeric_limits<double>::infinity(); }
    // Rows whose relevance bound is below `relevance` are skipped from now on.
    void raise(double relevance) { cut_ = relevance; }
    double cut() const { return cut_; }

  private:
    double cut_ = -std::numeric_limits<double>::infinity();
};

} // namespace ostrel
