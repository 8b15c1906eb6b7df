#pragma once

#include "Support/Time.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace ostrel {

// Remembers, per window context, the lines recently seen there and passes on only new ones. Memory is
// bounded: at most `maxContexts` contexts of at most `maxLinesPerContext` line hashes each remain after
// a call. Safe to use from several threads; every call takes the object's own lock.
class LineDeduper final {
  public:
    LineDeduper(std::size_t maxContexts, std::size_t maxLinesPerContext, double contextLifetime);
    LineDeduper(const LineDeduper&) = delete;
    LineDeduper& operator=(const LineDeduper&) = delete;

    // The lines not yet seen under `contextKey`, unchanged and in input order; they count as seen from
    // now on. Every call renews the context, also one without lines.
    std::vector<std::string> filter(const std::vector<std::string>& lines, const std::string& contextKey,
                                    Time now);

    // Forgets every context, so that all text counts as new again.
    void reset();

    std::size_t maxContexts() const { return maxContexts_; }
    std::size_t maxLinesPerContext() const { return maxLinesPerContext_; }
    double contextLifetime() const { return contextLifetime_; }

  private:
    struct Context {
        std::unordered_set<std::uint64_t> seen;
        std::deque<std::uint64_t> order; // the hashes of `seen`, oldest first
        Time lastUsed = 0;
    };

    void trim(Context& context) const;
    void prune(const std::string& currentKey, Time now);

    std::unordered_map<std::string, Context> contexts_;
    std::mutex lock_;
    const std::size_t maxContexts_;
    const std::size_t maxLinesPerContext_;
    const double contextLifetime_;
};

} // namespace ostrel
