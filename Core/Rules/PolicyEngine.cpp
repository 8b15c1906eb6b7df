#include "Rules/PolicyEngine.h"

#include <algorithm>

namespace ostrel::PolicyEngine {
namespace {

constexpr double lowBatteryLevel = 0.15;
constexpr int seriousThermalLevel = 2;

CapturePolicy modeDefaults(CaptureMode mode) {
    CapturePolicy policy;
    switch (mode) {
    case CaptureMode::saver:
        policy.streamInterval = 2.0;
        policy.minInterval = 4.0;
        policy.heartbeat = 45;
        break;
    case CaptureMode::balanced:
        policy.streamInterval = 1.0;
        policy.minInterval = 2.0;
        policy.heartbeat = 15;
        break;
    case CaptureMode::quality:
        policy.streamInterval = 1.0;
        policy.minInterval = 1.5;
        policy.heartbeat = 8;
        break;
    }
    return policy;
}

void atLeast(double& value, double floor) {
    value = std::max(value, floor);
}

} // namespace

CapturePolicy policy(CaptureMode mode, const PowerSnapshot& power, bool textOnly, bool ocrOnBattery) {
    CapturePolicy policy = modeDefaults(mode);
    const bool saver = mode == CaptureMode::saver;

    if (power.onBattery) {
        atLeast(policy.streamInterval, mode == CaptureMode::quality ? 1.0 : 2.0);
        atLeast(policy.minInterval, saver ? 6.0 : 3.0);
        atLeast(policy.heartbeat, saver ? 90 : 30);
        policy.captureImages = true;
        policy.ocrNow = ocrOnBattery;
        policy.allowHeavyWork = false;
        policy.reason = CapturePolicy::Reason::battery;

        if (power.batteryLevel && *power.batteryLevel < lowBatteryLevel) {
            policy.captureImages = false;
            policy.ocrNow = false;
            atLeast(policy.heartbeat, 60);
            policy.reason = CapturePolicy::Reason::lowBattery;
        }
    }
    if (power.lowPowerMode) {
        policy.captureImages = false;
        policy.ocrNow = false;
        policy.allowHeavyWork = false;
        policy.streamInterval = 3.0;
        atLeast(policy.heartbeat, 60);
        policy.reason = CapturePolicy::Reason::lowPower;
    }
    if (power.thermalLevel >= seriousThermalLevel) {
        policy.captureImages = false;
        policy.ocrNow = false;
        policy.allowHeavyWork = false;
        atLeast(policy.streamInterval, 3.0);
        atLeast(policy.heartbeat, 60);
        policy.reason = CapturePolicy::Reason::thermal;
    }
    if (textOnly) {
        policy.captureImages = false;
        policy.ocrNow = false;
        policy.reason = CapturePolicy::Reason::textOnly;
    }
    return policy;
}

} // namespace ostrel::PolicyEngine
