#pragma once

#include "Capture/RecorderStatus.h"
#include "Model/AppModel.h"
#include "UI/Theme/Theme.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace vesperline {

// What the tray icon's popover shows and does: what the recorder is doing, today's figures, the way
// into search, pausing and forgetting, and the way into every window. It reads the one app model and
// calls its operations; of its own it holds only a forget request waiting for its confirmation and
// whether a confirmed one runs. A new one is made each time the popover opens. Main thread only.
class MenuBarController final : public QObject {
    Q_OBJECT

  public:
    // What the popover asks of the program besides the model; everything must outlive it.
    struct Services {
        // Deletes every moment recorded from `from` up to `to` and calls `done` on the main thread
        // when it is over, whatever came of it.
        std::function<void(ostrel::Time from, ostrel::Time to, std::function<void()> done)> deleteRange;
        // Ends the application.
        std::function<void()> quit;
    };

    // What to forget: the last minutes, or everything since the start of today.
    struct Deletion {
        enum class Kind { minutes, today };
        Kind kind = Kind::today;
        int minutes = 0;

        static Deletion lastMinutes(int count) { return {Kind::minutes, count}; }
        static Deletion today() { return {Kind::today, 0}; }
        bool operator==(const Deletion&) const = default;
    };

    // One entry of a pop-up menu; an entry without an action is a separator.
    struct MenuItem {
        QString title;
        std::function<void()> action;
    };

    // The third figure: the share of the battery today's recording cost, or its energy.
    enum class EnergyTile { battery, energy };

    // `close` closes the popover.
    MenuBarController(AppModel& model, Services services, std::function<void()> close,
                      QObject* parent = nullptr);

    AppModel& model() const { return model_; }

    // ---- Header ----------------------------------------------------------------------------------
    QString statusText() const { return model_.statusText(); }
    // Mint while recording, peach while only text is kept (by policy or for a low disk), red when
    // a permission is needed or moments are not being saved, gray otherwise; it pulses while
    // moments are being recorded.
    static Theme::DynamicColor dotColor(const RecorderStatus& status, SavingIssue saving = SavingIssue::none);
    static bool dotPulses(const RecorderStatus& status, SavingIssue saving = SavingIssue::none) {
        return status.kind == RecorderStatus::Kind::recording && !momentsAreNotSaved(saving);
    }
    // Why nothing is kept now, when there is something to tell.
    std::optional<QString> skipText() const { return model_.skipText(); }
    // "Last moment 10:42 AM · Title" while there is no skip reason and the app lock lets the memory
    // show; none otherwise.
    std::optional<QString> lastMomentText() const;
    // The same from what it depends on: the lock lets the memory show while it is off or open until
    // a time later than `now`.
    static std::optional<QString> lastMomentText(const std::optional<ostrel::FrameSummary>& last,
                                                 bool skipShown, bool lockEnabled,
                                                 std::optional<ostrel::Time> unlockedUntil, ostrel::Time now,
                                                 const Format& format);

    // ---- Status block ------------------------------------------------------------------------------
    bool showsPermissionCard() const { return model_.status().kind == RecorderStatus::Kind::needsPermission; }
    bool showsFinishSetup() const;
    // "Finish setup": the tour again, where it was left.
    void finishSetup() { showTour(false); }

    // ---- Search field --------------------------------------------------------------------------------
    // The global shortcut's text while it is on.
    std::optional<QString> shortcutHint() const;
    void openQuickSearch();

    // ---- Figures -----------------------------------------------------------------------------------
    QString momentsValue() const;
    QString diskValue() const;
    EnergyTile energyTile() const;
    QString energyValue() const;
    // The battery tile needs today's figures and a battery of known, positive capacity.
    static EnergyTile energyTile(const std::optional<ostrel::DayStats>& today,
                                 std::optional<double> batteryWh);
    static QString energyValue(const std::optional<ostrel::DayStats>& today, std::optional<double> batteryWh,
                               const Format& format);
    // "Found what you needed 3 times this month" while the month's count is above 0.
    std::optional<QString> findsText() const;
    static std::optional<QString> findsText(std::int64_t thisMonth, const Format& format);

    // ---- Pause and forget ----------------------------------------------------------------------
    // A pause lasts: its end lies ahead, or the recorder says it is paused.
    bool paused() const;
    bool pauseEnabled() const { return model_.settings().onboardingCompleted(); }
    void resume() { model_.resume(); }
    std::vector<MenuItem> pauseItems();
    std::vector<MenuItem> forgetItems();
    // A forget request waiting for its confirmation; none withdraws it.
    const std::optional<Deletion>& pendingDeletion() const { return pending_; }
    void requestDeletion(std::optional<Deletion> deletion);
    bool deleting() const { return deleting_; }
    // "Delete everything recorded in the last 15 min? This can't be undone."
    QString question() const;
    // Deletes what the pending request names, after the app lock (when it is on) lets it; nothing
    // while one runs or none is pending.
    void confirmDeletion();
    // The range a deletion started at `now` covers: from the start of the request up to 5 s after
    // `now`, so a moment being written as it starts goes too.
    struct Range {
        ostrel::Time from = 0;
        ostrel::Time to = 0;
        bool operator==(const Range&) const = default;
    };
    Range range(const Deletion& deletion, ostrel::Time now) const;

    // ---- Navigation: each closes the popover first -----------------------------------------------
    void openSection(AppModel::Section section);
    void openSettings();
    void showTour(bool restart);
    void quit();

  signals:
    // A value the popover shows changed.
    void changed();
    void deletionChanged();

  private:
    void close();
    void deletePending();
    void deletionFinished();

    AppModel& model_;
    Services services_;
    std::function<void()> close_;
    std::optional<Deletion> pending_;
    bool deleting_ = false;
};

} // namespace vesperline
