#pragma once

#include "Platform/PowerSource.h"

namespace vesperline::platform {

// A power state set by the test; `notify` plays a change notice.
class FakePowerSource final : public PowerSource {
  public:
    ostrel::PowerSnapshot state;
    std::optional<double> capacityWattHours;
    int reads = 0;

    ostrel::PowerSnapshot read() override {
        ++reads;
        return state;
    }
    void watch(std::function<void()> handler) override { handler_ = std::move(handler); }
    std::optional<double> batteryCapacityWattHours() const override { return capacityWattHours; }

    void notify() {
        if (handler_) {
            handler_();
        }
    }

  private:
    std::function<void()> handler_;
};

} // namespace vesperline::platform
