#pragma once

#include "Support/Time.h"

namespace vesperline {

// A clock the test moves by hand.
class ManualClock final : public ostrel::Clock {
  public:
    ostrel::Time now() const override { return wallTime; }
    double uptime() const override { return upTime; }

    ostrel::Time wallTime = 1'750'000'000;
    double upTime = 1000;
};

} // namespace vesperline
