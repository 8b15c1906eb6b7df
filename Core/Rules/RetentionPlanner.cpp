#include "Rules/RetentionPlanner.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <numeric>

namespace ostrel::RetentionPlanner {

namespace {

// Canonically equivalent keys (a title typed precomposed once and decomposed once) are one context.
std::string canonicalKey(const std::string& key) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) {
        return key;
    }
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(key);
    if (nfc->isNormalized(text, status) && U_SUCCESS(status)) {
        return key;
    }
    status = U_ZERO_ERROR;
    const icu::UnicodeString normalized = nfc->normalize(text, status);
    if (U_FAILURE(status)) {
        return key;
    }
    std::string result;
    normalized.toUTF8String(result);
    return result;
}

} // namespace

std::set<std::int64_t> thin(const std::vector<ThinningCandidate>& candidates, std::int64_t minTextChars,
                            double spacing) {
    std::vector<std::size_t> order(candidates.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return candidates[a].timestamp < candidates[b].timestamp;
    });

    std::set<std::int64_t> kept;
    std::optional<Time> lastKept;
    std::optional<std::string> previousKey;
    for (const std::size_t index : order) {
        const ThinningCandidate& candidate = candidates[index];
        std::string key = canonicalKey(candidate.contextKey);
        const bool keep = !previousKey || key != *previousKey || candidate.textChars >= minTextChars ||
                          (lastKept && candidate.timestamp - *lastKept >= spacing);
        if (keep) {
            kept.insert(candidate.id);
            lastKept = candidate.timestamp;
        }
        previousKey = std::move(key);
    }
    return kept;
}

std::optional<Time> cutoff(std::int64_t days, Time before) {
    if (days < 1) {
        return std::nullopt;
    }
    return before + static_cast<double>(days) * -86400.0;
}

} // namespace ostrel::RetentionPlanner
