#pragma once

#include <optional>

namespace ostrel {

// The machine's power state as the capture policy sees it.
struct PowerSnapshot {
    bool onBattery = false;
    // Remaining charge from 0 to 1; absent when unknown.
    std::optional<double> batteryLevel;
    bool lowPowerMode = false;
    // 0 nominal, 1 fair, 2 serious, 3 critical.
    int thermalLevel = 0;

    bool operator==(const PowerSnapshot&) const = default;
};

} // namespace ostrel
