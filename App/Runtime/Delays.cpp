#include "Runtime/Delays.h"

#include <QTimer>

#include <chrono>
#include <cmath>

namespace vesperline {

namespace {

class TimerDelays final : public Delays {
  public:
    void after(double seconds, QObject* receiver, std::function<void()> block) override {
        QTimer::singleShot(milliseconds(seconds), Qt::PreciseTimer, receiver, std::move(block));
    }
    void afterWithin(double seconds, double leeway, QObject* receiver, std::function<void()> block) override {
        // A coarse timer may fire up to 5% of its wait late.
        const Qt::TimerType type = leeway >= seconds * 0.05 ? Qt::CoarseTimer : Qt::PreciseTimer;
        QTimer::singleShot(milliseconds(seconds), type, receiver, std::move(block));
    }

  private:
    static std::chrono::milliseconds milliseconds(double seconds) {
        return std::chrono::milliseconds(std::llround(std::max(seconds, 0.0) * 1000));
    }
};

} // namespace

Delays& systemDelays() {
    static TimerDelays delays;
    return delays;
}

} // namespace vesperline
