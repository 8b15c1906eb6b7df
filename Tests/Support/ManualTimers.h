#pragma once

#include "Runtime/SerialQueue.h"
#include "Runtime/TimerSource.h"

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace testsupport {

// Timers that fire only when the test says so: `fire` runs a live timer's handler on its queue and
// waits for it. What was scheduled stays readable after the timer is gone.
class ManualTimers final : public vesperline::TimerSource {
  public:
    struct Schedule {
        double delay = 0;
        double interval = 0;
        double leeway = 0;
        bool live = true;
    };

    std::unique_ptr<Timer> schedule(vesperline::SerialQueue& queue, double delay, double interval,
                                    double leeway, std::function<void()> handler) override {
        std::lock_guard lock(mutex_);
        auto entry = std::make_shared<Entry>(
            Entry{{delay, interval, leeway, true}, &queue, std::move(handler), false});
        entries_.push_back(entry);
        return std::make_unique<Handle>(*this, entry);
    }

    // Every schedule so far, oldest first.
    std::vector<Schedule> schedules() const {
        std::lock_guard lock(mutex_);
        std::vector<Schedule> all;
        for (const auto& entry : entries_) {
            all.push_back(entry->schedule);
        }
        return all;
    }
    // The live timers with this interval (0: one-shot timers).
    std::vector<Schedule> live(double interval) const {
        std::vector<Schedule> found;
        for (const Schedule& schedule : schedules()) {
            if (schedule.live && schedule.interval == interval) {
                found.push_back(schedule);
            }
        }
        return found;
    }
    // Fires the oldest live timer with this interval (0: the oldest one-shot timer, which then ends);
    // false when there is none.
    bool fire(double interval) {
        std::shared_ptr<Entry> entry;
        {
            std::lock_guard lock(mutex_);
            for (const auto& candidate : entries_) {
                if (candidate->schedule.live && candidate->schedule.interval == interval) {
                    entry = candidate;
                    break;
                }
            }
            if (!entry) {
                return false;
            }
            if (interval <= 0) {
                entry->schedule.live = false;
            }
        }
        entry->queue->sync([&] {
            // Cancelled meanwhile: not started.
            bool cancelled;
            {
                std::lock_guard lock(mutex_);
                cancelled = entry->cancelled;
            }
            if (!cancelled) {
                entry->handler();
            }
        });
        return true;
    }

  private:
    struct Entry {
        Schedule schedule;
        vesperline::SerialQueue* queue;
        std::function<void()> handler;
        bool cancelled = false;
    };

    class Handle final : public Timer {
      public:
        Handle(ManualTimers& owner, std::shared_ptr<Entry> entry) : owner_(owner), entry_(std::move(entry)) {}
        ~Handle() override {
            std::lock_guard lock(owner_.mutex_);
            entry_->schedule.live = false;
            entry_->cancelled = true;
        }

      private:
        ManualTimers& owner_;
        std::shared_ptr<Entry> entry_;
    };

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Entry>> entries_;
};

} // namespace testsupport
