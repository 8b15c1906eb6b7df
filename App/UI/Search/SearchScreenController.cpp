#include "UI/Search/SearchScreenController.h"

#include "Model/SearchModel.h"
#include "Search/SearchQuery.h"
#include "UI/Shared/OpenableLink.h"

#include <QPointer>

namespace vesperline {

SearchScreenController::SearchScreenController(SearchModel& model, Actions actions, QObject* parent)
    : QObject(parent), model_(model), actions_(std::move(actions)) {}

void SearchScreenController::appeared() {
    emit focusRequested();
    if (actions_.takeSearchSeed) {
        if (const std::optional<QString> seed = actions_.takeSearchSeed()) {
            model_.setText(*seed);
        }
    }
    model_.schedule(true);
    model_.loadApps();
}

void SearchScreenController::submit() {
    model_.schedule(true);
}

std::optional<SearchTexts::EmptyState> SearchScreenController::emptyState() const {
    if (!model_.results().empty() || model_.isSearching()) {
        return std::nullopt;
    }
    return SearchTexts::noResults(model_.showingRecent(), model_.queryShortened());
}

QString SearchScreenController::resultsHeader(const Format& format) const {
    const QString header =
        SearchTexts::resultsHeader(model_.showingRecent(), model_.results().size(), format);
    return !model_.showingRecent() && model_.queryShortened() ? header + '\n' + SearchTexts::shortenedSearch()
                                                              : header;
}

std::optional<std::int64_t> SearchScreenController::shownSelection() const {
    const std::optional<ostrel::SearchHit> hit = model_.selectedHit();
    return hit ? std::optional(hit->frame.id) : std::nullopt;
}

std::vector<std::string> SearchScreenController::highlightTerms() const {
    return ostrel::SearchQuery(model_.text().toStdString(), std::nullopt, std::nullopt, {}, termsLimit,
                               ostrel::SearchQuery::Sort::relevance)
        .highlightTerms();
}

std::vector<SearchTexts::AppItem> SearchScreenController::appMenuItems() const {
    return SearchTexts::appItems(model_.apps(), appMenuLimit, true);
}

std::optional<QUrl> SearchScreenController::link(const ostrel::SearchHit& hit) {
    return openableLink(hit.frame.url);
}

void SearchScreenController::recordFind() {
    if (actions_.recordFind) {
        actions_.recordFind();
    }
}

void SearchScreenController::openInTimeline(const ostrel::SearchHit& hit) {
    recordFind();
    if (actions_.moment.openTimeline) {
        actions_.moment.openTimeline(hit.frame.id, hit.frame.timestamp);
    }
}

void SearchScreenController::openLink(const ostrel::SearchHit& hit) {
    const std::optional<QUrl> url = link(hit);
    if (!url) {
        return;
    }
    recordFind();
    if (actions_.moment.openURL) {
        actions_.moment.openURL(*url);
    }
}

void SearchScreenController::deleteMoment(const ostrel::SearchHit& hit) {
    if (!actions_.moment.deleteFrames) {
        return;
    }
    // The model outlives the screen; the search runs again even when the screen went away meanwhile.
    actions_.moment.deleteFrames({hit.frame.id}, [model = QPointer<SearchModel>(&model_)] {
        if (model) {
            model->schedule(true);
        }
    });
}

} // namespace vesperline
