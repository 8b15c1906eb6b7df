#pragma once

#include <Qt>

#include <functional>
#include <memory>

class QTimer;

namespace vesperline {

class SerialQueue;

// A timer whose handler runs on a serial queue, the way a service's recurring work is scheduled.
// The leeway is how late the handler may run; a larger leeway lets the system batch wake-ups.
// Every call is safe from any thread. After `cancel` (or destruction) returns, the handler is not
// started again. A handler that throws is logged with the queue's label and the timer keeps going.
// The queue must outlive the timer: declare the queue before the timer.
class QueueTimer final {
  public:
    QueueTimer(SerialQueue& queue, std::function<void()> handler);
    ~QueueTimer();
    QueueTimer(const QueueTimer&) = delete;
    QueueTimer& operator=(const QueueTimer&) = delete;

    // Fires once after `delay` seconds, or first after `delay` and then every `interval` seconds
    // when `interval` is greater than 0. Replaces any earlier schedule.
    void schedule(double delay, double interval, double leeway);
    void cancel();

    // The kind of Qt timer that honours a leeway: precise without one, coarse (5% of the interval)
    // when that stays within it, whole seconds when a second of slack is allowed.
    static Qt::TimerType timerType(double interval, double leeway);

  private:
    struct State;

    SerialQueue& queue_;
    std::shared_ptr<State> state_;
};

} // namespace vesperline
