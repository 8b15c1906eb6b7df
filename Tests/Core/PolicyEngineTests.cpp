#include "Rules/PolicyEngine.h"

#include <gtest/gtest.h>

#include <optional>

namespace ostrel {
namespace {

using Reason = CapturePolicy::Reason;

struct PolicyCase {
    const char* situation;
    CaptureMode mode;
    PowerSnapshot power;
    bool textOnly;
    bool ocrOnBattery;
    CapturePolicy expected;
};

PowerSnapshot mains() {
    return {};
}
PowerSnapshot battery(std::optional<double> level = std::nullopt) {
    return {true, level, false, 0};
}

TEST(PolicyEngine, FollowsTheTableOfSituations) {
    const PolicyCase cases[] = {
        {"balanced, mains",
         CaptureMode::balanced,
         mains(),
         false,
         false,
         {1.0, 2.0, 15, true, true, true, Reason::normal}},
        {"saver, mains",
         CaptureMode::saver,
         mains(),
         false,
         false,
         {2.0, 4.0, 45, true, true, true, Reason::normal}},
        {"quality, mains",
         CaptureMode::quality,
         mains(),
         false,
         false,
         {1.0, 1.5, 8, true, true, true, Reason::normal}},
        {"saver, battery",
         CaptureMode::saver,
         battery(),
         false,
         false,
         {2.0, 6.0, 90, true, false, false, Reason::battery}},
        {"balanced, battery",
         CaptureMode::balanced,
         battery(),
         false,
         false,
         {2.0, 3.0, 30, true, false, false, Reason::battery}},
        {"quality, battery, OCR on battery",
         CaptureMode::quality,
         battery(),
         false,
         true,
         {1.0, 3.0, 30, true, true, false, Reason::battery}},
        {"quality, battery at 0.10",
         CaptureMode::quality,
         battery(0.10),
         false,
         true,
         {1.0, 3.0, 60, false, false, false, Reason::lowBattery}},
        {"saver, battery at 0.10",
         CaptureMode::saver,
         battery(0.10),
         false,
         false,
         {2.0, 6.0, 90, false, false, false, Reason::lowBattery}},
        {"battery at exactly 0.15 is not low",
         CaptureMode::balanced,
         battery(0.15),
         false,
         false,
         {2.0, 3.0, 30, true, false, false, Reason::battery}},
        {"battery at 0.1499 is low",
         CaptureMode::balanced,
         battery(0.1499),
         false,
         false,
         {2.0, 3.0, 60, false, false, false, Reason::lowBattery}},
        {"low level on mains changes nothing",
         CaptureMode::balanced,
         {false, 0.05, false, 0},
         false,
         false,
         {1.0, 2.0, 15, true, true, true, Reason::normal}},
        {"balanced, mains, Low Power Mode",
         CaptureMode::balanced,
         {false, std::nullopt, true, 0},
         false,
         false,
         {3.0, 2.0, 60, false, false, false, Reason::lowPower}},
        {"saver, battery, Low Power Mode",
         CaptureMode::saver,
         {true, std::nullopt, true, 0},
         false,
         false,
         {3.0, 6.0, 90, false, false, false, Reason::lowPower}},
        {"quality, mains, thermal 2",
         CaptureMode::quality,
         {false, std::nullopt, false, 2},
         false,
         false,
         {3.0, 1.5, 60, false, false, false, Reason::thermal}},
        {"thermal 1 has no effect",
         CaptureMode::quality,
         {false, std::nullopt, false, 1},
         false,
         false,
         {1.0, 1.5, 8, true, true, true, Reason::normal}},
        {"Low Power Mode and thermal 2",
         CaptureMode::balanced,
         {false, std::nullopt, true, 2},
         false,
         false,
         {3.0, 2.0, 60, false, false, false, Reason::thermal}},
        {"balanced, mains, text only",
         CaptureMode::balanced,
         mains(),
         true,
         false,
         {1.0, 2.0, 15, false, false, true, Reason::textOnly}},
        {"balanced, mains, thermal 3, text only",
         CaptureMode::balanced,
         {false, std::nullopt, false, 3},
         true,
         false,
         {3.0, 2.0, 60, false, false, false, Reason::textOnly}},
        {"text only on battery keeps heavy work off",
         CaptureMode::saver,
         battery(),
         true,
         true,
         {2.0, 6.0, 90, false, false, false, Reason::textOnly}},
    };
    for (const PolicyCase& c : cases) {
        EXPECT_EQ(PolicyEngine::policy(c.mode, c.power, c.textOnly, c.ocrOnBattery), c.expected)
            << c.situation;
    }
}

TEST(PolicyEngine, ModesAndReasonsRoundTripThroughRawText) {
    for (CaptureMode mode : allCaptureModes) {
        EXPECT_EQ(captureModeFromRaw(rawValue(mode)), mode);
    }
    EXPECT_EQ(rawValue(CaptureMode::balanced), "balanced");
    for (const char* bad : {"", "Balanced", "fast", "saver "}) {
        EXPECT_EQ(captureModeFromRaw(bad), std::nullopt) << bad;
    }
    for (Reason reason : allCapturePolicyReasons) {
        EXPECT_EQ(capturePolicyReasonFromRaw(rawValue(reason)), reason);
    }
    EXPECT_EQ(rawValue(Reason::lowBattery), "lowBattery");
}

TEST(PowerSnapshot, ComparesOptionalBatteryLevels) {
    EXPECT_EQ(battery(), battery());
    EXPECT_EQ(battery(0.5), battery(0.5));
    EXPECT_NE(battery(), battery(0.5));
    EXPECT_NE(battery(0.5), battery(0.6));
}

} // namespace
} // namespace ostrel
