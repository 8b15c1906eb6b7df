#pragma once

#include "Storage/SearchHit.h"
#include "UI/Moment/MomentActions.h"
#include "UI/Search/SearchTexts.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vesperline {

class SearchModel;

// What the search screen shows and does. It keeps no search state of its own: it shows and edits
// the app model's search model, so text, filters, results and selection are still there when the
// user comes back. Each time the screen comes into view it takes the text other parts of the app
// left for it (the search seed), searches at once and reloads the app list.
//
// From a result the user reaches the rest of the app: opening it in the timeline or opening its
// link counts a find first; deleting it asks no question here (the row's menu is the explicit
// choice) and searches again once the deletion is over. Main thread only.
class SearchScreenController final : public QObject {
    Q_OBJECT

  public:
    // What the screen asks of the app model; each runs on the main thread.
    struct Actions {
        // Counts one find of something in the memory.
        std::function<void()> recordFind;
        // Takes the text left for the search screen to search for, clearing it; none when there is none.
        std::function<std::optional<QString>()> takeSearchSeed;
        // Opening a moment in the timeline, deleting moments and opening addresses; also given to
        // the preview's moment view, whose own buttons count no find.
        MomentActions moment;
    };

    static constexpr std::size_t appMenuLimit = 40;
    // Terms boxed on the preview are those of the typed text alone, parsed with this limit.
    static constexpr std::int64_t termsLimit = 50;

    // The model must outlive the controller.
    SearchScreenController(SearchModel& model, Actions actions, QObject* parent = nullptr);

    SearchModel& model() const { return model_; }
    const Actions& actions() const { return actions_; }

    // ---- From the screen ----------------------------------------------------------------------
    // The screen came into view: focus the field, take a seed, search at once, reload the apps.
    void appeared();
    // Return in the search field: search at once, without the typing pause.
    void submit();

    // ---- What the screen shows ------------------------------------------------------------------
    // The results pane's empty state; none while there are results or a search is running.
    std::optional<SearchTexts::EmptyState> emptyState() const;
    // "12 results", with a second line when only the beginning of the text was searched.
    QString resultsHeader(const Format& format) const;
    // The row drawn selected and previewed: the selected hit, else the first.
    std::optional<std::int64_t> shownSelection() const;
    std::vector<std::string> highlightTerms() const;

    // The apps offered after "All apps": the first 40 of the app list, titled with their counts.
    std::vector<SearchTexts::AppItem> appMenuItems() const;

    // ---- A result's menu -----------------------------------------------------------------------
    // The address "Open link" opens (`openableLink`); none hides the item.
    static std::optional<QUrl> link(const ostrel::SearchHit& hit);
    void openInTimeline(const ostrel::SearchHit& hit);
    void openLink(const ostrel::SearchHit& hit);
    void deleteMoment(const ostrel::SearchHit& hit);

  signals:
    // The search field should take the keyboard.
    void focusRequested();

  private:
    void recordFind();

    SearchModel& model_;
    Actions actions_;
};

} // namespace vesperline
