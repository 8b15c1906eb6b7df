#include "UI/Journal/JournalController.h"

#include "Model/AppSettings.h"
#include "Rules/WorkLogBuilder.h"
#include "Runtime/FailureDescription.h"
#include "Runtime/Log.h"
#include "Runtime/WhenFinished.h"
#include "Store/FutureOutcome.h"
#include "Store/StoreHub.h"

#include <QPointer>

#include <algorithm>
#include <exception>

namespace vesperline {

namespace {

const QString modelSource = QStringLiteral("ai");
const QString templateSource = QStringLiteral("template");
constexpr int lastHour = 23;

// `read()` on the store, or none when it throws (logged as `what`; damage is still reported).
template <typename Read>
auto readOrNothing(StoreHub& hub, const char* what, Read read) -> std::optional<decltype(read())> {
    try {
        return read();
    } catch (...) {
        hub.reportIfDamaged(std::current_exception());
        qCWarning(Log::storage(), "%s failed: %s", what, describeFailure(std::current_exception()).c_str());
        return std::nullopt;
    }
}

} // namespace

struct JournalController::Loaded {
    std::uint64_t generation = 0;
    ostrel::Time day = 0;
    ostrel::WorkLog log;
    std::optional<ostrel::MemoryStore::SavedSummary> saved;
};

JournalController::JournalController(StoreHub& hub, const AppSettings& settings, AIService& ai,
                                     Navigation navigation, const Format& format, const ostrel::Clock& clock,
                                     QObject* parent)
    : QObject(parent), hub_(hub), settings_(settings), ai_(ai), navigation_(std::move(navigation)),
      format_(format), clock_(clock), calendar_(format),
      zone_(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(format.timeZoneID()))),
      day_(calendar_.startOfDay(clock.now())) {
    connect(&ai_, &AIService::availabilityChanged, this, &JournalController::summaryChanged);
}

bool JournalController::showsToday() const {
    return calendar_.isToday(day_, clock_.now());
}

bool JournalController::hasActivity() const {
    return log_ && log_->totalSeconds > 0;
}

bool JournalController::modelAvailable() const {
    return !ai_.availabilityMessage().has_value();
}

// ---- Loading ----------------------------------------------------------------------------------------

void JournalController::setShown(bool shown) {
    if (shown_ == shown) {
        return;
    }
    shown_ = shown;
    ++generation_; // a load under way no longer counts
    endAutomaticRuns();
    if (shown) {
        load();
    }
}

void JournalController::setDay(ostrel::Time time) {
    const ostrel::Time day = calendar_.startOfDay(time);
    if (day == day_) {
        return;
    }
    day_ = day;
    ++generation_;
    endAutomaticRuns();
    emit dayChanged(day_);
    if (shown_) {
        load();
    }
}

void JournalController::load() {
    const std::uint64_t generation = generation_;
    const ostrel::Time start = day_;
    const ostrel::Time end = calendar_.nextDay(start);
    const std::string key = ostrel::MemoryStore::dayKey(start);
    // The read queue's own copy of the zone: ICU zones are not meant to be shared between threads.
    std::shared_ptr<const icu::TimeZone> zone(zone_->clone());
    StoreHub& hub = hub_;
    auto read = [&hub, generation, start, end, key, zone](ostrel::MemoryStore& store) {
        Loaded loaded{generation, start, {}, std::nullopt};
        // A failed read loads the day without activity, or without its stored summary.
        const std::vector<ostrel::ActivitySpan> spans = readOrNothing(hub, "Loading the day's activity", [&] {
                                                            return store.activity(start, end);
                                                        }).value_or(std::vector<ostrel::ActivitySpan>{});
        loaded.log = ostrel::WorkLogBuilder::build(spans, start, end, *zone);
        loaded.saved = readOrNothing(hub, "Loading the day's summary", [&] {
                           return store.summary(key);
                       }).value_or(std::nullopt);
        return loaded;
    };
    whenFinished(hub_.readAsync(std::move(read)), this, [this, generation, start](QFuture<Loaded> done) {
        if (generation != generation_) {
            return;
        }
        // The hub's stores are closed (an erase or a recovery failed): a day without activity.
        take(futureOutcome(done, "Loading the day")
                 .value_or(Loaded{generation, start, ostrel::WorkLog::empty(start), {}}));
    });
}

void JournalController::take(const Loaded& loaded) {
    log_ = loaded.log;
    if (loaded.saved) {
        summary_ = QString::fromStdString(loaded.saved->text);
        summarySource_ = QString::fromStdString(loaded.saved->source);
    } else {
        summary_ = settings_.dailySummaryEnabled() ? std::optional(ai_.fallbackSummary(*log_)) : std::nullopt;
        summarySource_ = templateSource;
    }
    emit logChanged();
    emit summaryChanged();
    // A past day of real work gets its summary from the model once; a stored one is never redone.
    if (!loaded.saved && !showsToday() && settings_.dailySummaryEnabled() && modelAvailable() &&
        log_->totalSeconds > automaticSummarySeconds) {
        startSummary(*log_, true);
    }
}

// ---- Summaries --------------------------------------------------------------------------------------

void JournalController::summarize() {
    if (log_ && !generating()) {
        startSummary(*log_, false);
    }
}

void JournalController::startSummary(const ostrel::WorkLog& log, bool automatic) {
    const std::uint64_t id = ++nextRun_;
    const ostrel::Time start = day_;
    runs_.push_back({id, start, automatic, log});
    emit summaryChanged();

    // Without a next day the range is empty and the model is asked without titles.
    const ostrel::Time end = calendar_.nextDay(start);
    StoreHub& hub = hub_;
    auto read = [&hub, start, end](ostrel::MemoryStore& store) {
        return readOrNothing(hub, "Loading the day's window titles",
                             [&] { return store.topTitles(start, end, summaryTitles); })
            .value_or(std::vector<ostrel::MemoryStore::TitleCount>{});
    };
    using Titles = std::vector<ostrel::MemoryStore::TitleCount>;
    whenFinished(hub_.readAsync(std::move(read)), this, [this, id](QFuture<Titles> done) {
        // The hub's stores are closed: the model is asked without titles.
        askModel(id, futureOutcome(done, "Loading the day's window titles").value_or(Titles{}));
    });
}

void JournalController::askModel(std::uint64_t id,
                                 const std::vector<ostrel::MemoryStore::TitleCount>& titles) {
    if (!counts(id)) {
        endRun(id);
        return;
    }
    const Run& run = *findRun(id);
    const ostrel::Time day = run.day;
    const ostrel::Time dayEnd = calendar_.nextDay(day);
    // Once asked, the model does the work whatever the journal does meanwhile, so its answer is kept
    // by the service that wrote it: stored when it arrives, even after the journal has changed its
    // day, hidden or gone. The journal shows it only while it still shows that day.
    StoreHub& hub = hub_;
    const ostrel::Clock& clock = clock_;
    AIService* service = &ai_;
    whenFinished(ai_.summarize(run.log, titles), service,
                 [&hub, &clock, service, journal = QPointer<JournalController>(this), id, day,
                  dayEnd](QFuture<AIService::Summary> done) {
                     const auto end = [journal, id] {
                         if (journal) {
                             journal->endRun(id);
                         }
                     };
                     if (done.resultCount() == 0) {
                         end();
                         return;
                     }
                     const AIService::Summary summary = done.result();
                     if (journal) {
                         journal->showSummary(id, summary);
                     }
                     // Only the model's text of a day that is over.
                     if (summary.source != modelSource || clock.now() < dayEnd) {
                         end();
                         return;
                     }
                     const std::string key = ostrel::MemoryStore::dayKey(day);
                     const std::string text = summary.text.toStdString();
                     const std::string source = summary.source.toStdString();
                     hub.write([key, text,
                                source](ostrel::MemoryStore& store) { store.saveSummary(key, text, source); },
                               service,
                               [end](const StoreOutcome<void>& outcome) {
                                   if (!outcome.succeeded()) {
                                       // The text stays on screen; the next load of the day tries again.
                                       qCWarning(Log::storage(), "Saving the day's summary failed: %s",
                                                 outcome.error.c_str());
                                   }
                                   end();
                               });
                 });
}

void JournalController::showSummary(std::uint64_t id, const AIService::Summary& summary) {
    // Shown first, stored after.
    if (counts(id)) {
        summary_ = summary.text;
        summarySource_ = summary.source;
        emit summaryChanged();
    }
}

JournalController::Run* JournalController::findRun(std::uint64_t id) {
    const auto run = std::find_if(runs_.begin(), runs_.end(), [id](const Run& r) { return r.id == id; });
    return run == runs_.end() ? nullptr : &*run;
}

bool JournalController::counts(std::uint64_t id) {
    const Run* run = findRun(id);
    return run && run->day == day_;
}

void JournalController::endRun(std::uint64_t id) {
    const auto ended = std::remove_if(runs_.begin(), runs_.end(), [id](const Run& r) { return r.id == id; });
    if (ended == runs_.end()) {
        return;
    }
    runs_.erase(ended, runs_.end());
    emit summaryChanged();
}

void JournalController::endAutomaticRuns() {
    // One not asked yet never asks the model; the answer of one asked is still stored.
    const auto ended =
        std::stable_partition(runs_.begin(), runs_.end(), [](const Run& r) { return !r.automatic; });
    if (ended == runs_.end()) {
        return;
    }
    runs_.erase(ended, runs_.end());
    emit summaryChanged();
}

// ---- What the screen shows --------------------------------------------------------------------------

QString JournalController::summaryText() const {
    if (summary_) {
        return *summary_;
    }
    return log_ ? ai_.fallbackSummary(*log_) : QString();
}

bool JournalController::showsModelBadge() const {
    return summarySource_ == modelSource;
}

JournalController::SummaryControl JournalController::summaryControl() const {
    if (generating()) {
        return SummaryControl::progress;
    }
    return modelAvailable() ? SummaryControl::button : SummaryControl::none;
}

QString JournalController::summarizeTitle() const {
    return showsModelBadge() ? tr("Rewrite") : tr("Summarize with AI");
}

std::vector<JournalController::StatTile> JournalController::statTiles() const {
    if (!log_) {
        return {};
    }
    const ostrel::WorkLog& log = *log_;
    std::vector<StatTile> tiles;
    tiles.push_back({tr("Active time"), "clock", format_.duration(log.totalSeconds), "activeTime"});
    if (log.firstActivity && log.lastActivity) {
        tiles.push_back(
            {tr("Day span"), "sunrise",
             format_.time(*log.firstActivity) + QStringLiteral(" – ") + format_.time(*log.lastActivity),
             "daySpan"});
    }
    if (!log.apps.empty()) {
        tiles.push_back({tr("Top app"), "star", QString::fromStdString(log.apps.front().name), "topApp"});
    }
    tiles.push_back({tr("Projects"), "folder", QString::number(log.projects.size()), "projects"});
    return tiles;
}

double JournalController::share(double seconds) const {
    const double total = log_ ? std::max(1.0, log_->totalSeconds) : 1.0;
    return std::clamp(seconds / total, 0.0, 1.0);
}

// ---- What the user does -----------------------------------------------------------------------------

void JournalController::openHour(int hour) {
    if (!navigation_.openTimelineAt) {
        return;
    }
    hour = std::clamp(hour, 0, lastHour);
    // Half past the hour on the day's own clock, as the chart counts hours; where a clock change
    // skips that reading, as many seconds after the day's start.
    const ostrel::Time moment =
        calendar_.atClockTime(day_, QTime(hour, 30)).value_or(day_ + hour * 3600.0 + 1800.0);
    navigation_.openTimelineAt(moment);
}

void JournalController::openProject(const ostrel::WorkLogEntry& project) {
    if (!navigation_.openSearch) {
        return;
    }
    // A double quote inside the name would end the phrase early; searching skips punctuation anyway.
    QString name = QString::fromStdString(project.name);
    name.remove(QLatin1Char('"'));
    navigation_.openSearch(QLatin1Char('"') + name + QLatin1Char('"'));
}

} // namespace vesperline
