#include "Rules/LineDeduper.h"

#include "Rules/LineHash.h"

#include <algorithm>
#include <utility>

namespace ostrel {

LineDeduper::LineDeduper(std::size_t maxContexts, std::size_t maxLinesPerContext, double contextLifetime)
    : maxContexts_(maxContexts), maxLinesPerContext_(maxLinesPerContext), contextLifetime_(contextLifetime) {}

std::vector<std::string> LineDeduper::filter(const std::vector<std::string>& lines,
                                             const std::string& contextKey, Time now) {
    std::lock_guard guard(lock_);
    auto [entry, created] = contexts_.try_emplace(contextKey);
    Context& context = entry->second;
    if (created) {
        context.lastUsed = now;
    }
    if (now - context.lastUsed > contextLifetime_) {
        context.seen.clear();
        context.order.clear();
    }

    std::vector<std::string> fresh;
    for (const std::string& line : lines) {
        const std::uint64_t hash = lineHash(line);
        if (context.seen.insert(hash).second) {
            context.order.push_back(hash);
            fresh.push_back(line);
        }
    }
    trim(context);
    context.lastUsed = now;
    prune(contextKey, now);
    return fresh;
}

void LineDeduper::reset() {
    std::unordered_map<std::string, Context> forgotten;
    {
        std::lock_guard guard(lock_);
        forgotten.swap(contexts_);
    }
    // The old contexts are freed outside the lock.
}

// Trimming to half the limit means a busy context is trimmed once per half-limit of new lines, not on
// every call.
void LineDeduper::trim(Context& context) const {
    if (context.order.size() <= maxLinesPerContext_) {
        return;
    }
    const std::size_t keep = maxLinesPerContext_ / 2;
    while (context.order.size() > keep) {
        context.seen.erase(context.order.front());
        context.order.pop_front();
    }
}

void LineDeduper::prune(const std::string& currentKey, Time now) {
    std::erase_if(contexts_,
                  [&](const auto& entry) { return now - entry.second.lastUsed > contextLifetime_; });
    if (contexts_.size() <= maxContexts_) {
        return;
    }
    // Least recently used first. The context of this call is never evicted, even if the clock went
    // back and it now looks older than the others.
    std::vector<std::pair<Time, const std::string*>> candidates;
    candidates.reserve(contexts_.size());
    for (const auto& [key, context] : contexts_) {
        if (key != currentKey) {
            candidates.emplace_back(context.lastUsed, &key);
        }
    }
    const std::size_t excess = std::min(contexts_.size() - maxContexts_, candidates.size());
    std::partial_sort(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(excess),
                      candidates.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> evicted;
    for (std::size_t i = 0; i < excess; ++i) {
        evicted.push_back(*candidates[i].second);
    }
    for (const std::string& key : evicted) {
        contexts_.erase(key);
    }
}

} // namespace ostrel
