#pragma once

#include "Storage/AppCount.h"
#include "Storage/FrameSummary.h"
#include "Store/Format.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesperline {

// The texts of the search views (the search screen, the quick-search panel and their result rows),
// made from what they show.
namespace SearchTexts {

// What a list or a pane shows when it has nothing to show.
struct EmptyState {
    QString symbol;
    QString title;
    QString message;

    bool operator==(const EmptyState&) const = default;
};

// A row's app: its name, else its bundle identifier, else nothing.
QString appLabel(const ostrel::FrameSummary& frame);
// "7 moments in this window" for a hit that folds several moments; none for one.
std::optional<QString> foldedMoments(std::int64_t matchCount, const Format& format);

QString allApps();
// The app filter's title: "All apps" without a filter, else the listed app's name, else (an app no
// longer listed) the bundle identifier itself.
QString appFilterTitle(const std::optional<std::string>& appFilter,
                       const std::vector<ostrel::AppCount>& apps);
// An app of the filter menu: "Editor (12)", or the name alone.
QString appItemTitle(const ostrel::AppCount& app, bool withCount);
// An app the filter menu offers, by its bundle identifier.
struct AppItem {
    std::string bundleID;
    QString title;

    bool operator==(const AppItem&) const = default;
};
// The first `limit` apps of the list, titled with or without their counts.
std::vector<AppItem> appItems(const std::vector<ostrel::AppCount>& apps, std::size_t limit, bool withCounts);

// An empty list: nothing recent yet, or nothing found (for a text longer than a search reads, that
// only its beginning was searched).
EmptyState noResults(bool showingRecent, bool queryShortened);
// The quick-search panel's list before anything was recorded.
EmptyState nothingYet();
// "Recent moments", or "12 results".
QString resultsHeader(bool showingRecent, std::size_t count, const Format& format);
// Said where the results of a text longer than a search reads are shown.
QString shortenedSearch();
// The preview without a selected moment.
EmptyState noPreview();

} // namespace SearchTexts

} // namespace vesperline
