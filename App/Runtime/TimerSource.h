#pragma once

#include <functional>
#include <memory>

namespace vesperline {

class SerialQueue;

// Where a service gets its timers from: the program hands it `standard()` (QueueTimer underneath),
// tests a source whose timers they fire by hand, so that logic driven by time is tested without
// waiting for it.
class TimerSource {
  public:
    // A scheduled timer; destroying it cancels it, and its handler is not started again.
    class Timer {
      public:
        virtual ~Timer() = default;
    };

    virtual ~TimerSource() = default;

    // Runs `handler` on `queue` once after `delay` seconds, then every `interval` seconds when
    // `interval` is greater than 0, at most `leeway` seconds late. The queue must outlive the timer.
    virtual std::unique_ptr<Timer> schedule(SerialQueue& queue, double delay, double interval, double leeway,
                                            std::function<void()> handler) = 0;

    // Real timers on the queue's thread.
    static TimerSource& standard();
};

} // namespace vesperline
