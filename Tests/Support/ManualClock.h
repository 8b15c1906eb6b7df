#pragma once

#include "Support/Time.h"

#include <atomic>

namespace testsupport {

// A clock that stands still until the test moves it; safe to read from any thread.
class ManualClock final : public ostrel::Clock {
  public:
    explicit ManualClock(ostrel::Time now = 0, double uptime = 0) : now_(now), uptime_(uptime) {}

    ostrel::Time now() const override { return now_; }
    double uptime() const override { return uptime_; }

    void setNow(ostrel::Time now) { now_ = now; }
    void setUptime(double uptime) { uptime_ = uptime; }
    // Moves both the wall clock and the uptime forward.
    void advance(double seconds) {
        now_ = now_ + seconds;
        uptime_ = uptime_ + seconds;
    }

  private:
    std::atomic<ostrel::Time> now_;
    std::atomic<double> uptime_;
};

} // namespace testsupport
