#include "Runtime/TimerSource.h"

#include "Runtime/QueueTimer.h"

namespace vesperline {

namespace {

class QueueTimers final : public TimerSource {
  public:
    class ScheduledTimer final : public Timer {
      public:
        ScheduledTimer(SerialQueue& queue, std::function<void()> handler)
            : timer(queue, std::move(handler)) {}
        QueueTimer timer;
    };

    std::unique_ptr<Timer> schedule(SerialQueue& queue, double delay, double interval, double leeway,
                                    std::function<void()> handler) override {
        auto scheduled = std::make_unique<ScheduledTimer>(queue, std::move(handler));
        scheduled->timer.schedule(delay, interval, leeway);
        return scheduled;
    }
};

} // namespace

TimerSource& TimerSource::standard() {
    static QueueTimers timers;
    return timers;
}

} // namespace vesperline
