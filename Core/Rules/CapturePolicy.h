#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace ostrel {

// How often to look at and save the screen, and which heavy work may run now.
struct CapturePolicy {
    // The last rule that shaped the policy, shown to the user.
    enum class Reason { normal, battery, lowPower, lowBattery, thermal, textOnly };

    double streamInterval = 1.0; // seconds between frames a display stream delivers
    double minInterval = 2.0;    // shortest spacing between two saved frames of one display
    double heartbeat = 15;       // spacing after which a slightly changed screen is saved anyway
    bool captureImages = true;
    bool ocrNow = true;
    bool allowHeavyWork = true;
    Reason reason = Reason::normal;

    bool operator==(const CapturePolicy&) const = default;
};

inline constexpr std::array<CapturePolicy::Reason, 6> allCapturePolicyReasons{
    CapturePolicy::Reason::normal,     CapturePolicy::Reason::battery, CapturePolicy::Reason::lowPower,
    CapturePolicy::Reason::lowBattery, CapturePolicy::Reason::thermal, CapturePolicy::Reason::textOnly};

constexpr std::string_view rawValue(CapturePolicy::Reason reason) {
    switch (reason) {
    case CapturePolicy::Reason::normal:
        return "normal";
    case CapturePolicy::Reason::battery:
        return "battery";
    case CapturePolicy::Reason::lowPower:
        return "lowPower";
    case CapturePolicy::Reason::lowBattery:
        return "lowBattery";
    case CapturePolicy::Reason::thermal:
        return "thermal";
    case CapturePolicy::Reason::textOnly:
        return "textOnly";
    }
    return {};
}

constexpr std::optional<CapturePolicy::Reason> capturePolicyReasonFromRaw(std::string_view raw) {
    for (CapturePolicy::Reason reason : allCapturePolicyReasons) {
        if (rawValue(reason) == raw) {
            return reason;
        }
    }
    return std::nullopt;
}

} // namespace ostrel
