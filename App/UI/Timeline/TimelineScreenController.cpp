#include "UI/Timeline/TimelineScreenController.h"

#include "Runtime/FailureDescription.h"
#include "Runtime/Log.h"
#include "Runtime/WhenFinished.h"
#include "Store/StoreHub.h"
#include "UI/Shared/LocalDay.h"
#include "UI/Timeline/NearestFrameIndex.h"

#include <algorithm>
#include <exception>

namespace vesperline {

struct TimelineScreenController::Loaded {
    Frames frames;
    Spans spans;
};

TimelineScreenController::TimelineScreenController(StoreHub& hub, const ostrel::Clock& clock, Delays& delays,
                                                   QObject* parent)
    : QObject(parent), hub_(hub), clock_(clock), delays_(delays), day_(LocalDay::start(clock.now())),
      frames_(std::make_shared<Frames>()), spans_(std::make_shared<Spans>()) {
    load();
}

bool TimelineScreenController::showsToday() const {
    return day_ == LocalDay::start(clock_.now());
}

std::optional<ostrel::FrameSummary> TimelineScreenController::shownFrame() const {
    if (frames_->empty()) {
        return std::nullopt;
    }
    return (*frames_)[std::min<std::size_t>(index_, frames_->size() - 1)];
}

FrameImageLoader::Size TimelineScreenController::imageSize() const {
    return scrubbing_ || playing_ ? FrameImageLoader::Size::preview : FrameImageLoader::Size::full;
}

QString TimelineScreenController::countText(const Format& format) const {
    return countText(static_cast<std::int64_t>(frames_->size()), format);
}

QString TimelineScreenController::countText(std::int64_t count, const Format& format) {
    return format.plural(tr("{0, plural, one {# moment} other {# moments}}"), {count});
}

// ---- Loading -----------------------------------------------------------------------------------

void TimelineScreenController::load() {
    const std::uint64_t generation = ++loadGeneration_;
    const ostrel::Time start = day_;
    const ostrel::Time end = LocalDay::next(start);
    StoreHub& hub = hub_;
    // Both reads in one block, frames first; a failed read gives an empty list and leaves the other
    // alone. Damage is still reported by the hub.
    auto read = [&hub, start, end](ostrel::MemoryStore& store) {
        Loaded result;
        try {
            result.frames = store.frames(start, end, dayLimit, false);
        } catch (...) {
            hub.reportIfDamaged(std::current_exception());
            qCWarning(Log::storage(), "Loading the day's moments failed: %s",
                      describeFailure(std::current_exception()).c_str());
        }
        try {
            result.spans = store.activity(start, end);
        } catch (...) {
            hub.reportIfDamaged(std::current_exception());
            qCWarning(Log::storage(), "Loading the day's activity failed: %s",
                      describeFailure(std::current_exception()).c_str());
        }
        return result;
    };
    whenFinished(hub_.readAsync(std::move(read)), this, [this, generation, start](QFuture<Loaded> done) {
        Loaded result;
        try {
            result = done.result();
        } catch (...) {
            // The hub's stores are closed (an erase or a recovery failed): an empty day.
        }
        takeLoad(generation, start, std::move(result));
    });
}

void TimelineScreenController::takeLoad(std::uint64_t generation, ostrel::Time start, Loaded result) {
    if (generation != loadGeneration_ || start != day_) {
        return; // a newer load is on its way
    }
    frames_ = std::make_shared<const Frames>(std::move(result.frames));
    spans_ = std::make_shared<const Spans>(std::move(result.spans));
    loaded_ = true;

    const Frames& frames = *frames_;
    int index = frames.empty() ? 0 : static_cast<int>(frames.size()) - 1;
    const auto asked = pendingFrameID_
                           ? std::find_if(frames.begin(), frames.end(),
                                          [id = *pendingFrameID_](const ostrel::FrameSummary& frame) {
                                              return frame.id == id;
                                          })
                           : frames.end();
    if (asked != frames.end()) {
        index = static_cast<int>(asked - frames.begin());
    } else if (pendingDate_) {
        index = nearestFrameIndex(frames, *pendingDate_);
    }
    pendingFrameID_.reset();
    pendingDate_.reset();
    index_ = index;
    emit momentsChanged();
    emit positionChanged();
}

// ---- From the host -----------------------------------------------------------------------------

void TimelineScreenController::setDay(ostrel::Time time) {
    const ostrel::Time day = LocalDay::start(time);
    if (day == day_) {
        return;
    }
    day_ = day;
    emit dayChanged(day_);
    load();
}

void TimelineScreenController::openAt(std::optional<std::int64_t> frameID, ostrel::Time date) {
    pendingFrameID_ = frameID;
    pendingDate_ = date;
    const ostrel::Time target = LocalDay::start(date);
    if (target != day_) {
        day_ = target;
        emit dayChanged(day_);
    }
    load();
}

bool TimelineScreenController::follows() const {
    return showsToday() && !scrubbing_ && !playing_;
}

void TimelineScreenController::momentSaved() {
    if (!follows()) {
        return;
    }
    if (!windowActive_) {
        staleWhileInactive_ = true; // one reload when the window comes back
        return;
    }
    reloadKeepingPosition();
}

void TimelineScreenController::setWindowActive(bool active) {
    windowActive_ = active;
    if (!active || !staleWhileInactive_) {
        return;
    }
    staleWhileInactive_ = false;
    if (follows()) {
        reloadKeepingPosition();
    }
}

void TimelineScreenController::reloadKeepingPosition() {
    // Someone looking at an older moment keeps it; at the newest moment the view moves on to the
    // new newest one.
    const int count = static_cast<int>(frames_->size());
    if (!pendingFrameID_ && !pendingDate_ && index_ >= 0 && index_ < count - 1) {
        pendingFrameID_ = (*frames_)[index_].id;
    }
    load();
}

void TimelineScreenController::momentDeleted(const ostrel::FrameSummary& frame) {
    pendingDate_ = frame.timestamp;
    load();
}

// ---- From the user -----------------------------------------------------------------------------

void TimelineScreenController::setIndex(int index) {
    if (index == index_) {
        return;
    }
    index_ = index;
    emit positionChanged();
}

void TimelineScreenController::scrubTo(int index) {
    setIndex(index);
}

void TimelineScreenController::setScrubbing(bool scrubbing) {
    if (scrubbing == scrubbing_) {
        return;
    }
    scrubbing_ = scrubbing;
    emit playbackChanged();
}

void TimelineScreenController::step(int offset) {
    if (frames_->empty()) {
        return; // nothing to step through, and no position other than 0 to keep
    }
    setPlaying(false);
    setIndex(std::clamp(index_ + offset, 0, static_cast<int>(frames_->size()) - 1));
}

void TimelineScreenController::togglePlaying() {
    setPlaying(!playing_);
}

void TimelineScreenController::jump(int minutes) {
    if (const std::optional<ostrel::FrameSummary> shown = shownFrame()) {
        setIndex(nearestFrameIndex(*frames_, shown->timestamp + minutes * 60.0));
    }
}

void TimelineScreenController::showLatest() {
    if (!frames_->empty()) {
        setIndex(static_cast<int>(frames_->size()) - 1);
    }
}

// ---- Replay ------------------------------------------------------------------------------------

void TimelineScreenController::setPlaying(bool playing) {
    if (playing == playing_) {
        return;
    }
    playing_ = playing;
    ++replayGeneration_;
    emit playbackChanged();
    if (playing_) {
        waitForReplayStep();
    }
}

void TimelineScreenController::waitForReplayStep() {
    delays_.after(replayInterval, this, [this, generation = replayGeneration_] { replayStep(generation); });
}

void TimelineScreenController::replayStep(std::uint64_t generation) {
    if (generation != replayGeneration_ || !playing_) {
        return; // this replay was ended during the wait
    }
    if (index_ < static_cast<int>(frames_->size()) - 1) {
        setIndex(index_ + 1);
        waitForReplayStep();
    } else {
        setPlaying(false);
    }
}

} // namespace vesperline
