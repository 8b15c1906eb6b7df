#include "Model/SearchModel.h"

#include "Runtime/WhenFinished.h"
#include "Store/FutureOutcome.h"
#include "Store/StoreHub.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace vesperline {

std::string_view SearchModel::rawValue(Range range) {
    switch (range) {
    case Range::day:
        return "day";
    case Range::week:
        return "week";
    case Range::month:
        return "month";
    case Range::all:
        break;
    }
    return "all";
}

std::optional<SearchModel::Range> SearchModel::rangeFromRaw(std::string_view raw) {
    for (const Range range : allRanges) {
        if (rawValue(range) == raw) {
            return range;
        }
    }
    return std::nullopt;
}

QString SearchModel::label(Range range) {
    switch (range) {
    case Range::day:
        return tr("24 hours");
    case Range::week:
        return tr("7 days");
    case Range::month:
        return tr("30 days");
    case Range::all:
        break;
    }
    return tr("All time");
}

std::optional<ostrel::Time> SearchModel::startDate(Range range, ostrel::Time now) {
    switch (range) {
    case Range::day:
        return now - 86400;
    case Range::week:
        return now - 604800;
    case Range::month:
        return now - 2592000;
    case Range::all:
        break;
    }
    return std::nullopt;
}

SearchModel::SearchModel(StoreHub& hub, const ostrel::Clock& clock, Delays& delays, QObject* parent)
    : QObject(parent), hub_(hub), clock_(clock), delays_(delays) {}

SearchModel::~SearchModel() {
    // Nothing of a search still queued or running could be shown any more.
    latest_->store(0);
}

void SearchModel::setText(const QString& text) {
    if (text == text_) {
        return;
    }
    text_ = text;
    emit textChanged();
    schedule(false);
}

void SearchModel::setRange(Range range) {
    if (range == range_) {
        return;
    }
    range_ = range;
    emit rangeChanged();
    schedule(true);
}

void SearchModel::setAppFilter(const std::optional<std::string>& bundleID) {
    if (bundleID == appFilter_) {
        return;
    }
    appFilter_ = bundleID;
    emit appFilterChanged();
    schedule(true);
}

void SearchModel::setSort(ostrel::SearchQuery::Sort sort) {
    if (sort == sort_) {
        return;
    }
    sort_ = sort;
    emit sortChanged();
    schedule(true);
}

void SearchModel::setResults(std::vector<ostrel::SearchHit> results) {
    results_ = std::move(results);
    emit resultsChanged();
}

void SearchModel::setShowingRecent(bool showingRecent) {
    if (showingRecent != showingRecent_) {
        showingRecent_ = showingRecent;
        emit showingRecentChanged();
    }
}

void SearchModel::setQueryShortened(bool shortened) {
    if (shortened != queryShortened_) {
        queryShortened_ = shortened;
        emit queryShortenedChanged();
    }
}

void SearchModel::setSearching(bool searching) {
    if (searching != searching_) {
        searching_ = searching;
        emit searchingChanged();
    }
}

void SearchModel::setSelection(const std::optional<std::int64_t>& frameID) {
    if (frameID != selection_) {
        selection_ = frameID;
        emit selectionChanged();
    }
}

void SearchModel::setApps(std::vector<ostrel::AppCount> apps) {
    if (apps != apps_) {
        apps_ = std::move(apps);
        emit appsChanged();
    }
}

void SearchModel::setFocusToken(int token) {
    if (token != focusToken_) {
        focusToken_ = token;
        emit focusTokenChanged();
    }
}

void SearchModel::schedule(bool immediate) {
    const std::uint64_t generation = ++generation_;
    latest_->store(generation);
    if (immediate) {
        run(generation);
        return;
    }
    delays_.after(debounceSeconds, this, [this, generation] {
        if (generation == generation_) {
            run(generation);
        }
    });
}

void SearchModel::run(std::uint64_t generation) {
    const ostrel::Time now = clock_.now();
    std::vector<std::string> apps;
    if (appFilter_) {
        apps.push_back(*appFilter_);
    }
    ostrel::SearchQuery query(text_.toStdString(), startDate(range_, now), std::nullopt, std::move(apps),
                              hitLimit, sort_);
    reading_ = generation;
    setSearching(true);
    using Hits = std::vector<ostrel::SearchHit>;
    const auto publishAnswer = [this, generation, shortened = query.isShortened()](bool recent,
                                                                                   const char* what) {
        return [this, generation, recent, shortened, what](const QFuture<Hits>& answer) {
            // A superseded search may have been stopped on the way: that is no failure to log.
            publish(generation, recent, shortened,
                    generation == generation_ ? futureOutcome(answer, what).value_or(Hits{}) : Hits{});
        };
    };
    // On the hub's search queue, so a search never waits behind other reads; one that a newer
    // search superseded is stopped, since its answer would only be dropped.
    const auto superseded = [latest = latest_, generation] { return latest->load() != generation; };
    if (query.isEmpty()) {
        const ostrel::Time from = startDate(range_, now).value_or(now - recentSeconds);
        whenFinished(hub_.searchAsync(
                         [from, to = now + aheadSeconds, filter = appFilter_](ostrel::MemoryStore& store) {
                             return foldRecent(store.frames(from, to, recentFrameLimit, true), filter);
                         },
                         superseded),
                     this, publishAnswer(true, "Loading the recent moments"));
        return;
    }
    whenFinished(hub_.searchAsync([query = std::move(query),
                                   now](ostrel::MemoryStore& store) { return store.search(query, now); },
                                  superseded),
                 this, publishAnswer(false, "Searching"));
}

void SearchModel::publish(std::uint64_t generation, bool recent, bool shortened,
                          std::vector<ostrel::SearchHit> hits) {
    if (generation != generation_) {
        // Superseded: what is shown stays. Only while the newer search still waits for the typing
        // pause is nothing being read any more.
        if (reading_ == generation) {
            reading_ = 0;
            setSearching(false);
        }
        return;
    }
    reading_ = 0;
    setShowingRecent(recent);
    // Before the results, so that what is drawn for them says so at once.
    setQueryShortened(shortened);
    setResults(std::move(hits));
    const bool kept =
        selection_ && std::any_of(results_.begin(), results_.end(),
                                  [&](const ostrel::SearchHit& hit) { return hit.frame.id == *selection_; });
    if (!kept) {
        setSelection(results_.empty() ? std::nullopt : std::optional(results_.front().frame.id));
    }
    setSearching(false);
}

void SearchModel::loadApps() {
    // Reading the list goes over all time and can take a while: a load asked for meanwhile waits
    // for it and then reads once, instead of queueing a read of its own for each time asked.
    if (appsLoading_) {
        appsWanted_ = true;
        return;
    }
    appsLoading_ = true;
    const ostrel::Time to = clock_.now() + aheadSeconds;
    const auto read = [to](ostrel::MemoryStore& store) {
        return store.appCounts(std::numeric_limits<double>::lowest(), to);
    };
    whenFinished(hub_.readAsync(read), this, [this](const QFuture<std::vector<ostrel::AppCount>>& answer) {
        appsLoading_ = false;
        setApps(futureOutcome(answer, "Loading the apps").value_or(std::vector<ostrel::AppCount>{}));
        if (std::exchange(appsWanted_, false)) {
            loadApps();
        }
    });
}

std::optional<ostrel::SearchHit> SearchModel::selectedHit() const {
    if (results_.empty()) {
        return std::nullopt;
    }
    if (selection_) {
        for (const ostrel::SearchHit& hit : results_) {
            if (hit.frame.id == *selection_) {
                return hit;
            }
        }
    }
    return results_.front();
}

void SearchModel::move(int offset) {
    if (results_.empty()) {
        return;
    }
    std::ptrdiff_t index = 0;
    if (selection_) {
        const auto found = std::find_if(results_.begin(), results_.end(), [&](const ostrel::SearchHit& hit) {
            return hit.frame.id == *selection_;
        });
        if (found != results_.end()) {
            index = found - results_.begin();
        }
    }
    index = std::clamp<std::ptrdiff_t>(index + offset, 0, static_cast<std::ptrdiff_t>(results_.size()) - 1);
    setSelection(results_[static_cast<std::size_t>(index)].frame.id);
}

std::vector<ostrel::SearchHit> SearchModel::foldRecent(const std::vector<ostrel::FrameSummary>& frames,
                                                       const std::optional<std::string>& appFilter) {
    std::vector<ostrel::SearchHit> entries;
    std::string lastKey;
    for (const ostrel::FrameSummary& frame : frames) {
        if (appFilter && frame.appBundleID != appFilter) {
            continue;
        }
        std::string key = frame.appBundleID.value_or("") + "|" + frame.windowTitle.value_or("");
        if (!entries.empty() && key == lastKey) {
            ++entries.back().matchCount;
            continue;
        }
        entries.push_back(
            {.frame = frame, .snippet = {frame.url.value_or(""), {}}, .matchCount = 1, .score = 0});
        if (entries.size() == recentEntryLimit) {
            break; // the last entry is not followed further
        }
        lastKey = std::move(key);
    }
    return entries;
}

} // namespace vesperline
