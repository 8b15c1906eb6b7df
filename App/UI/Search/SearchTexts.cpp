#include "UI/Search/SearchTexts.h"

#include "Search/SearchQuery.h"

#include <QCoreApplication>

#include <algorithm>

namespace vesperline::SearchTexts {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("SearchScreen", text);
}

} // namespace

QString appLabel(const ostrel::FrameSummary& frame) {
    return QString::fromStdString(frame.appName.value_or(frame.appBundleID.value_or("")));
}

std::optional<QString> foldedMoments(std::int64_t matchCount, const Format& format) {
    if (matchCount < 2) {
        return std::nullopt;
    }
    return format.plural(tr("{0, plural, one {# moment in this window} other {# moments in this window}}"),
                         {matchCount});
}

QString allApps() {
    return tr("All apps");
}

QString appFilterTitle(const std::optional<std::string>& appFilter,
                       const std::vector<ostrel::AppCount>& apps) {
    if (!appFilter) {
        return allApps();
    }
    for (const ostrel::AppCount& app : apps) {
        if (app.bundleID == *appFilter) {
            return QString::fromStdString(app.name);
        }
    }
    return QString::fromStdString(*appFilter);
}

QString appItemTitle(const ostrel::AppCount& app, bool withCount) {
    const QString name = QString::fromStdString(app.name);
    // One pass, so a "%" in the name is not taken for a place of the count.
    return withCount ? tr("%1 (%2)").arg(name, QString::number(app.count)) : name;
}

std::vector<AppItem> appItems(const std::vector<ostrel::AppCount>& apps, std::size_t limit, bool withCounts) {
    std::vector<AppItem> items;
    for (std::size_t index = 0; index < std::min(apps.size(), limit); ++index) {
        items.push_back({apps[index].bundleID, appItemTitle(apps[index], withCounts)});
    }
    return items;
}

EmptyState noResults(bool showingRecent, bool queryShortened) {
    if (showingRecent) {
        return {QStringLiteral("text.magnifyingglass"), tr("Your memory starts now"),
                tr("Everything you see will be searchable here: words, IDs, links, messages. Text stays on "
                   "this computer.")};
    }
    return {QStringLiteral("magnifyingglass"), tr("No matches"),
            queryShortened ? shortenedSearch()
                           : tr("Try fewer or different words, or widen the time range.")};
}

EmptyState nothingYet() {
    return {
        QStringLiteral("text.magnifyingglass"), tr("Nothing yet"),
        tr("As you use your computer, moments will appear here. Try searching for a word you saw today.")};
}

QString resultsHeader(bool showingRecent, std::size_t count, const Format& format) {
    return showingRecent ? tr("Recent moments")
                         : format.plural(tr("{0, plural, one {# result} other {# results}}"),
                                         {static_cast<std::int64_t>(count)});
}

QString shortenedSearch() {
    return tr("Only the first %L1 words and %L2 characters of a search are used.")
        .arg(static_cast<qulonglong>(ostrel::SearchQuery::maximumWords))
        .arg(static_cast<qulonglong>(ostrel::SearchQuery::maximumCharacters));
}

EmptyState noPreview() {
    return {QStringLiteral("rectangle.on.rectangle"), tr("Preview"), tr("Select a moment to see it.")};
}

} // namespace vesperline::SearchTexts
