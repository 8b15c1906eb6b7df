#pragma once

#include "Rules/PowerSnapshot.h"

#include <functional>
#include <optional>

namespace vesperline::platform {

// The machine's power state as the operating system reports it: external power or battery, the
// battery's charge, whether the user asked to save power, and how hot the machine runs.
class PowerSource {
  public:
    virtual ~PowerSource() = default;

    // The state now. Never fails: what cannot be read reads as on external power, charge unknown,
    // no power saving and a nominal temperature. On the thread that owns the source.
    virtual ostrel::PowerSnapshot read() = 0;
    // From now on calls `handler`, on the thread that owns the source, whenever the state may have
    // changed (the handler re-reads; a notice may come without a change). Replaces an earlier one.
    virtual void watch(std::function<void()> handler) = 0;
    // The full-charge energy of the machine's batteries in watt-hours; none without a battery or
    // when it cannot be told. Any thread.
    virtual std::optional<double> batteryCapacityWattHours() const = 0;
};

} // namespace vesperline::platform
