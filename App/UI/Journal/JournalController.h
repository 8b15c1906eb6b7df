#pragma once

#include "AI/AIService.h"
#include "Rules/WorkLog.h"
#include "Runtime/SystemClock.h"
#include "Store/Format.h"
#include "UI/Shared/DayNavigation.h"

#include <QFuture>
#include <QObject>
#include <QString>

#include <unicode/timezone.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vesperline {

class AppSettings;
class StoreHub;

// What the journal shows and does for one local day: the day's work log, its summary (the one stored
// for the day, else the plain text made without the model), the stat tiles, and the summary the
// language model writes, by itself for a past day of more than ten minutes or when the user asks.
// Only model summaries of past days are stored; today's is made afresh each time.
//
// Loading: showing the screen and each change of the day read the day's activity and stored summary
// on the hub's read queue; an answer for a day no longer shown, or one that arrives after the screen
// was hidden, is dropped. The previous day's content stays until the new day's arrives. A summary
// that the load started ends with the load (the day changes or the screen hides); one the user
// started runs on, but shows nothing once its day is no longer shown. Either way, once the model has
// been asked its answer is stored when it arrives, for the day it was asked for, even when the
// journal is gone by then. Main thread only.
class JournalController final : public QObject {
    Q_OBJECT

  public:
    // Where the journal takes the user; both return at once.
    struct Navigation {
        // Shows the timeline at this moment.
        std::function<void(ostrel::Time)> openTimelineAt;
        // Opens the search screen with this text.
        std::function<void(const QString&)> openSearch;
    };

    // What ends the summary card's heading.
    enum class SummaryControl { progress, button, none };

    struct StatTile {
        QString title;
        QString symbol;
        QString value;
        QString name; // the tile's object name
        bool operator==(const StatTile&) const = default;
    };

    // A summarized day needs more active time than this, in seconds.
    static constexpr double automaticSummarySeconds = 600;
    // Window titles given to the model with the day's facts.
    static constexpr std::int64_t summaryTitles = 40;

    // Everything given must outlive the controller. Shows today; loads once shown.
    JournalController(StoreHub& hub, const AppSettings& settings, AIService& ai, Navigation navigation,
                      const Format& format = Format::current(), const ostrel::Clock& clock = systemClock(),
                      QObject* parent = nullptr);

    // ---- The screen's state ------------------------------------------------------------------
    // The start of the shown day.
    ostrel::Time day() const { return day_; }
    bool showsToday() const;
    // The loaded work log: none until the first load has finished, then the last loaded day's.
    const std::optional<ostrel::WorkLog>& log() const { return log_; }
    // Whether the loaded day has any active time, so its content is drawn.
    bool hasActivity() const;
    // The summary to show, and where it came from: "ai" (the model wrote it) or "template".
    const std::optional<QString>& summary() const { return summary_; }
    const std::optional<QString>& summarySource() const { return summarySource_; }
    // Whether a summary is being made, for any day.
    bool generating() const { return !runs_.empty(); }

    // ---- What the screen shows ----------------------------------------------------------------
    // The summary, else the plain text of the loaded day.
    QString summaryText() const;
    bool showsModelBadge() const;
    SummaryControl summaryControl() const;
    // "Rewrite" once the model has written the summary, else "Summarize with AI".
    QString summarizeTitle() const;
    // Active time, day span (with both ends known), top app (with any app), projects.
    std::vector<StatTile> statTiles() const;
    // The length of `seconds` along a bar of the day's whole active time, from 0 to 1.
    double share(double seconds) const;

    // ---- From the host and the user -----------------------------------------------------------
    void setShown(bool shown);
    // Shows the local day that holds `time`.
    void setDay(ostrel::Time time);
    // Makes a new summary of the loaded day, unless one is being made.
    void summarize();
    // Opens the timeline at half past `hour` (clamped to 0...23) of the shown day.
    void openHour(int hour);
    // Searches for the project's name as one phrase.
    void openProject(const ostrel::WorkLogEntry& project);

  signals:
    void dayChanged(ostrel::Time day);
    // `log` was replaced; the summary changes with it.
    void logChanged();
    // The summary, its source, whether one is being made, or whether the model can be used changed.
    void summaryChanged();

  private:
    struct Loaded;
    // One summary being made.
    struct Run {
        std::uint64_t id = 0;
        ostrel::Time day = 0;
        bool automatic = false; // started by a load, and ended with it
        ostrel::WorkLog log;
    };

    void load();
    void take(const Loaded& loaded);
    void startSummary(const ostrel::WorkLog& log, bool automatic);
    void askModel(std::uint64_t run, const std::vector<ostrel::MemoryStore::TitleCount>& titles);
    void showSummary(std::uint64_t run, const AIService::Summary& summary);
    Run* findRun(std::uint64_t id);
    // Whether the run still counts: not ended, and its day still shown.
    bool counts(std::uint64_t id);
    void endRun(std::uint64_t id);
    // Ends the summaries started by loads; their answers no longer count.
    void endAutomaticRuns();
    bool modelAvailable() const;

    StoreHub& hub_;
    const AppSettings& settings_;
    AIService& ai_;
    Navigation navigation_;
    const Format& format_;
    const ostrel::Clock& clock_;
    DayNavigation calendar_;
    std::unique_ptr<icu::TimeZone> zone_;

    ostrel::Time day_;
    bool shown_ = false;
    std::optional<ostrel::WorkLog> log_;
    std::optional<QString> summary_;
    std::optional<QString> summarySource_;
    std::vector<Run> runs_;
    std::uint64_t nextRun_ = 0;
    // Bumped whenever a load under way stops counting, so its late answer is recognised and dropped.
    std::uint64_t generation_ = 0;
};

} // namespace vesperline
