#pragma once

#include "Runtime/Delays.h"
#include "Runtime/SystemClock.h"
#include "Storage/ActivitySpan.h"
#include "Storage/FrameSummary.h"
#include "Store/Format.h"
#include "Store/FrameImageLoader.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace vesperline {

class StoreHub;

// The timeline's state and logic: one local day of moments shown one at a time, the day's activity
// spans for the bar, the position of the shown moment, scrubbing and replay.
//
// Loading: each change of the day, and each reload, reads the day's moments (at most 50,000, the
// earliest) and spans on the hub's read queue; only the newest load of the shown day is taken. After
// a load the position goes to the moment asked for (by id, else the one nearest to a time), else to
// the newest moment.
//
// The host feeds it the app's events: a request to show a moment or a time (`openAt`), each newly
// saved moment (`momentSaved`), the window's activation (`setWindowActive`) and the deletion of the
// shown moment (`momentDeleted`). While today is shown at its newest moment, new moments are followed
// live; while the window is in the background they are folded into one reload when it comes back.
// Main thread only.
class TimelineScreenController final : public QObject {
    Q_OBJECT

  public:
    using Frames = std::vector<ostrel::FrameSummary>;
    using Spans = std::vector<ostrel::ActivitySpan>;

    static constexpr std::int64_t dayLimit = 50000;
    static constexpr double replayInterval = 0.45;
    static constexpr int jumpMinutes = 10;

    // Starts loading today at once.
    explicit TimelineScreenController(StoreHub& hub, const ostrel::Clock& clock = systemClock(),
                                      Delays& delays = systemDelays(), QObject* parent = nullptr);

    // The start of the shown day.
    ostrel::Time day() const { return day_; }
    bool showsToday() const;
    // The day's moments, oldest first, and its activity spans by start; shared with the views, never
    // changed in place.
    const std::shared_ptr<const Frames>& frames() const { return frames_; }
    const std::shared_ptr<const Spans>& spans() const { return spans_; }
    // Whether a load has completed; stays true for the controller's life.
    bool loaded() const { return loaded_; }
    // The position of the shown moment in `frames`; 0 when there are none.
    int index() const { return index_; }
    std::optional<ostrel::FrameSummary> shownFrame() const;
    bool scrubbing() const { return scrubbing_; }
    bool playing() const { return playing_; }
    bool windowActive() const { return windowActive_; }
    // Pictures go by quickly while scrubbing or replaying: previews then, full size at rest.
    FrameImageLoader::Size imageSize() const;
    // "12 moments"
    QString countText(const Format& format) const;
    // "12 moments".
    static QString countText(std::int64_t count, const Format& format);

    // ---- From the host -----------------------------------------------------------------------
    // Shows the local day that holds `time`.
    void setDay(ostrel::Time time);
    // Shows the moment `frameID` of the day of `date`, or, when it is not stored (or none is given),
    // the moment nearest to `date`. Leaves scrubbing and replay as they are.
    void openAt(std::optional<std::int64_t> frameID, ostrel::Time date);
    // A moment was saved somewhere in the app.
    void momentSaved();
    // The window came to the front (true) or went to the background.
    void setWindowActive(bool active);
    // `frame`, shown until now, was deleted: show the remaining moment nearest to its time.
    void momentDeleted(const ostrel::FrameSummary& frame);

    // ---- From the user -----------------------------------------------------------------------
    // The bar picked the moment at `index` under the pointer.
    void scrubTo(int index);
    void setScrubbing(bool scrubbing);
    // One moment back (-1) or forward (+1), within the day; ends a replay.
    void step(int offset);
    // Starts or ends the replay: a step forward every 0.45 s up to the newest moment.
    void togglePlaying();
    // The moment nearest to the shown one's time plus `minutes` (ten back or forth); a replay goes on
    // from there.
    void jump(int minutes);
    void showLatest();

  signals:
    void dayChanged(ostrel::Time day);
    // `frames`, `spans` or `loaded` changed.
    void momentsChanged();
    // `index` changed, or the list it points into.
    void positionChanged();
    // `playing` or `scrubbing` changed.
    void playbackChanged();

  private:
    struct Loaded;

    void load();
    void takeLoad(std::uint64_t generation, ostrel::Time start, Loaded result);
    void reloadKeepingPosition();
    // Whether a new moment may reload the day now.
    bool follows() const;
    void setIndex(int index);
    void setPlaying(bool playing);
    void waitForReplayStep();
    void replayStep(std::uint64_t generation);

    StoreHub& hub_;
    const ostrel::Clock& clock_;
    Delays& delays_;

    ostrel::Time day_;
    std::shared_ptr<const Frames> frames_;
    std::shared_ptr<const Spans> spans_;
    int index_ = 0;
    bool scrubbing_ = false;
    bool playing_ = false;
    bool loaded_ = false;
    bool windowActive_ = true;
    bool staleWhileInactive_ = false;
    std::optional<std::int64_t> pendingFrameID_;
    std::optional<ostrel::Time> pendingDate_;
    // Bumped by every load, so only the newest one's answer is taken.
    std::uint64_t loadGeneration_ = 0;
    // Bumped by every start and end of a replay, so a wait of an ended replay takes no step.
    std::uint64_t replayGeneration_ = 0;
};

} // namespace vesperline
