#include "Runtime/QueueTimer.h"

#include "Runtime/SerialQueue.h"

#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>

namespace vesperline {

// Shared between the owner and the blocks it posts, so a block that runs after the owner is gone
// still finds valid memory. Everything but `generation` is touched only on the queue.
struct QueueTimer::State {
    std::function<void()> handler;
    std::unique_ptr<QTimer> timer;
    std::atomic<unsigned> generation{0};
};

namespace {

std::chrono::milliseconds milliseconds(double seconds) {
    return std::chrono::milliseconds(static_cast<long long>(std::llround(std::max(0.0, seconds) * 1000.0)));
}

} // namespace

QueueTimer::QueueTimer(SerialQueue& queue, std::function<void()> handler)
    : queue_(queue), state_(std::make_shared<State>()) {
    state_->handler = std::move(handler);
}

QueueTimer::~QueueTimer() {
    cancel();
    // The QTimer belongs to the queue's thread and must be destroyed there.
    queue_.async([state = state_] { state->timer.reset(); });
}

Qt::TimerType QueueTimer::timerType(double interval, double leeway) {
    if (leeway <= 0) {
        return Qt::PreciseTimer;
    }
    if (leeway >= interval * 0.05) {
        return Qt::CoarseTimer;
    }
    return leeway >= 1.0 ? Qt::VeryCoarseTimer : Qt::PreciseTimer;
}

void QueueTimer::schedule(double delay, double interval, double leeway) {
    const unsigned generation = ++state_->generation;
    queue_.async([queue = &queue_, state = state_, generation, delay, interval, leeway] {
        if (state->generation != generation) {
            return; // cancelled or rescheduled meanwhile
        }
        if (!state->timer) {
            state->timer = std::make_unique<QTimer>();
        }
        QTimer& timer = *state->timer;
        timer.stop();
        timer.disconnect();
        timer.setTimerType(timerType(interval > 0 ? interval : delay, leeway));
        timer.setSingleShot(true);
        timer.setInterval(milliseconds(delay));
        QObject::connect(&timer, &QTimer::timeout, [queue, state = state.get(), generation, interval] {
            if (state->generation != generation) {
                return;
            }
            if (interval > 0 && state->timer->isSingleShot()) {
                state->timer->setSingleShot(false);
                state->timer->start(milliseconds(interval));
            }
            queue->runLoggingFailure(state->handler);
        });
        timer.start();
    });
}

void QueueTimer::cancel() {
    ++state_->generation;
    queue_.async([state = state_] {
        if (state->timer) {
            state->timer->stop();
        }
    });
}

} // namespace vesperline
