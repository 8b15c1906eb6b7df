#include "Runtime/Delays.h"

#include <QTimer>

#include <chrono>
#include <cmath>

namespace vesperline {

namespace {

class TimerDelays final : public Delays {
  public:
    void after(double seconds, QObject* receiver, std::function<void()> block) override {
        const auto wait = std::chrono::milliseconds(std::llround(std::max(seconds, 0.0) * 1000));
        QTimer::singleShot(wait, Qt::PreciseTimer, receiver, std::move(block));
    }
};

} // namespace

Delays& systemDelays() {
    static TimerDelays delays;
    return delays;
}

} // namespace vesperline
