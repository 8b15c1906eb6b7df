#include "Support/Graphemes.h"

#include <memory>
#include <stdexcept>
#include <unicode/brkiter.h>
#include <unicode/utext.h>

namespace ostrel::Graphemes {
namespace {

// Break iterators are not thread-safe; each thread keeps its own, made once.
icu::BreakIterator& iterator() {
    thread_local std::unique_ptr<icu::BreakIterator> it = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status) || !made) {
            throw std::runtime_error("ICU character break iterator unavailable");
        }
        return made;
    }();
    return *it;
}

// Calls `visit(offset)` for each boundary after 0, in order, until it returns false.
template <typename Visit> void walk(std::string_view text, Visit visit) {
    if (text.empty()) {
        return;
    }
    UErrorCode status = U_ZERO_ERROR;
    UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
    if (U_FAILURE(status)) {
        throw std::runtime_error("ICU could not read the text");
    }
    icu::BreakIterator& it = iterator();
    it.setText(utext, status);
    if (U_SUCCESS(status)) {
        // With UTF-8 UText the iterator's positions are byte offsets.
        for (int32_t pos = it.next(); pos != icu::BreakIterator::DONE; pos = it.next()) {
            if (!visit(static_cast<std::size_t>(pos))) {
                break;
            }
        }
    }
    utext_close(utext);
    if (U_FAILURE(status)) {
        throw std::runtime_error("ICU could not iterate the text");
    }
}

} // namespace

std::size_t count(std::string_view text) {
    std::size_t n = 0;
    walk(text, [&](std::size_t) {
        ++n;
        return true;
    });
    return n;
}

std::vector<std::size_t> boundaries(std::string_view text) {
    std::vector<std::size_t> result{0};
    walk(text, [&](std::size_t offset) {
        result.push_back(offset);
        return true;
    });
    return result;
}

std::vector<std::size_t> boundaries(std::string_view text, std::size_t maxClusters) {
    std::vector<std::size_t> result{0};
    if (maxClusters == 0) {
        return result;
    }
    walk(text, [&](std::size_t offset) {
        result.push_back(offset);
        return result.size() <= maxClusters;
    });
    return result;
}

std::string prefix(std::string_view text, std::size_t n) {
    if (n == 0) {
        return {};
    }
    std::size_t end = text.size();
    std::size_t seen = 0;
    walk(text, [&](std::size_t offset) {
        if (++seen == n) {
            end = offset;
            return false;
        }
        return true;
    });
    return std::string(text.substr(0, end));
}

std::string suffix(std::string_view text, std::size_t n) {
    if (n == 0) {
        return {};
    }
    const std::vector<std::size_t> all = boundaries(text);
    const std::size_t clusters = all.size() - 1;
    if (n >= clusters) {
        return std::string(text);
    }
    return std::string(text.substr(all[clusters - n]));
}

} // namespace ostrel::Graphemes
