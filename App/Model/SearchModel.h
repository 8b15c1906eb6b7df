#pragma once

#include "Runtime/Delays.h"
#include "Runtime/SystemClock.h"
#include "Search/SearchQuery.h"
#include "Storage/AppCount.h"
#include "Storage/FrameSummary.h"
#include "Storage/SearchHit.h"

#include <QObject>
#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vesperline {

class StoreHub;

// The state and logic behind a place where the user types a search (the search screen, the
// quick-search panel; each has its own model over the one hub). The typed text, a time range, an
// optional app and the sort order make a query, which runs on the hub's search queue; the hits come
// back with a selection that survives new results. A text with nothing to search for lists the most
// recent moments instead, consecutive moments of one window folded into one entry. It also lists
// the apps that have moments, for the app filter.
//
// Typing is debounced (0.14 s), so a burst of keys costs one read; a changed range, app or sort
// searches at once. Each new search supersedes the one before: one that has not started yet is not
// run, one still running is stopped, and an answer that comes back after a newer search was asked
// for is dropped, leaving what is shown as it was. A read that fails shows
// an empty list (and is logged). Each field notifies only when it really changes, except `results`,
// which notifies on every assignment. Main thread only.
class SearchModel final : public QObject {
    Q_OBJECT

  public:
    enum class Range { day, week, month, all };
    static constexpr std::array<Range, 4> allRanges{Range::day, Range::week, Range::month, Range::all};
    static std::string_view rawValue(Range range);
    static std::optional<Range> rangeFromRaw(std::string_view raw);
    // "24 hours", "7 days", "30 days", "All time"
    static QString label(Range range);
    // The earliest moment the range covers at `now`; none for all time.
    static std::optional<ostrel::Time> startDate(Range range, ostrel::Time now);

    static constexpr double debounceSeconds = 0.14;
    static constexpr std::int64_t hitLimit = 60;
    // With all time, the recent list covers the last 48 hours.
    static constexpr double recentSeconds = 172800;
    static constexpr std::int64_t recentFrameLimit = 2000;
    static constexpr std::size_t recentEntryLimit = 40;
    // Lists end this far after now, so a moment stamped by a clock slightly ahead is still there.
    static constexpr double aheadSeconds = 60;

    // The hub must outlive the model.
    explicit SearchModel(StoreHub& hub, const ostrel::Clock& clock = systemClock(),
                         Delays& delays = systemDelays(), QObject* parent = nullptr);
    ~SearchModel() override;

    // ---- What the user sets; a change searches (debounced for the text) ------------------------
    const QString& text() const { return text_; }
    void setText(const QString& text);
    Range range() const { return range_; }
    void setRange(Range range);
    // The bundle identifier of the one app to search in.
    const std::optional<std::string>& appFilter() const { return appFilter_; }
    void setAppFilter(const std::optional<std::string>& bundleID);
    ostrel::SearchQuery::Sort sort() const { return sort_; }
    void setSort(ostrel::SearchQuery::Sort sort);

    // ---- What is shown: plain stores ------------------------------------------------------------
    const std::vector<ostrel::SearchHit>& results() const { return results_; }
    void setResults(std::vector<ostrel::SearchHit> results);
    // Whether `results` is the recent-moments list rather than search hits.
    bool showingRecent() const { return showingRecent_; }
    void setShowingRecent(bool showingRecent);
    // Whether the text of the search that gave `results` was longer than a search reads, so only its
    // beginning was searched.
    bool queryShortened() const { return queryShortened_; }
    void setQueryShortened(bool shortened);
    bool isSearching() const { return searching_; }
    void setSearching(bool searching);
    // The frame id of the selected hit.
    const std::optional<std::int64_t>& selection() const { return selection_; }
    void setSelection(const std::optional<std::int64_t>& frameID);
    // Apps with moments of all time, most moments first.
    const std::vector<ostrel::AppCount>& apps() const { return apps_; }
    void setApps(std::vector<ostrel::AppCount> apps);
    // Views watch it: each change asks them to focus their search field.
    int focusToken() const { return focusToken_; }
    void setFocusToken(int token);

    // ---- Operations ---------------------------------------------------------------------------
    // Searches (or lists the recent moments for an empty text) after the typing pause, or at once,
    // superseding any search asked for before.
    void schedule(bool immediate);
    // Loads `apps` from the store; asked while a load is on its way, it loads once more after it.
    void loadApps();
    // The hit whose frame id is `selection`; else the first; none without results.
    std::optional<ostrel::SearchHit> selectedHit() const;
    // Moves the selection `offset` hits through the results, stopping at the first and last.
    void move(int offset);

    // The recent-moments list from `frames`, newest first: frames of other apps than `appFilter`
    // left out, each run of consecutive frames of one app and window title one entry with the newest
    // frame, its web address as excerpt and the run's length as match count; at most 40 entries, the
    // walk ending at the fortieth.
    static std::vector<ostrel::SearchHit> foldRecent(const std::vector<ostrel::FrameSummary>& frames,
                                                     const std::optional<std::string>& appFilter);

  signals:
    void textChanged();
    void rangeChanged();
    void appFilterChanged();
    void sortChanged();
    void resultsChanged();
    void showingRecentChanged();
    void queryShortenedChanged();
    void searchingChanged();
    void selectionChanged();
    void appsChanged();
    void focusTokenChanged();

  private:
    void run(std::uint64_t generation);
    void publish(std::uint64_t generation, bool recent, bool shortened, std::vector<ostrel::SearchHit> hits);

    StoreHub& hub_;
    const ostrel::Clock& clock_;
    Delays& delays_;

    QString text_;
    Range range_ = Range::all;
    std::optional<std::string> appFilter_;
    ostrel::SearchQuery::Sort sort_ = ostrel::SearchQuery::Sort::relevance;
    std::vector<ostrel::SearchHit> results_;
    bool showingRecent_ = true;
    bool queryShortened_ = false;
    bool searching_ = false;
    std::optional<std::int64_t> selection_;
    std::vector<ostrel::AppCount> apps_;
    int focusToken_ = 0;

    // Bumped by every schedule: a wait or an answer of an earlier one is recognised and dropped.
    std::uint64_t generation_ = 0;
    // The same, for the searches on the hub's queue (which may outlive the model) to tell that they
    // were superseded; 0 once the model is gone.
    std::shared_ptr<std::atomic<std::uint64_t>> latest_ = std::make_shared<std::atomic<std::uint64_t>>(0);
    // The generation of the last search that started reading; 0 once it published.
    std::uint64_t reading_ = 0;
    // An app list is being read; another load was asked for while it was.
    bool appsLoading_ = false;
    bool appsWanted_ = false;
};

} // namespace vesperline
