// The popover's rules that need no model: the status dot, the last-moment line, the energy tile and
// where a menu pops up.
#include "UI/MenuBar/MenuBarController.h"
#include "UI/MenuBar/MenuButton.h"

#include <gtest/gtest.h>

namespace vesperline {
namespace {

using Controller = MenuBarController;

TEST(MenuBarRulesTest, TheDotShowsTheStatusAndPulsesOnlyWhileRecording) {
    struct Case {
        RecorderStatus status;
        Theme::DynamicColor color;
        bool pulses;
    };
    const Case cases[] = {
        {RecorderStatus::recording(false), Theme::mint.ink, true},
        {RecorderStatus::recording(true), Theme::peach.ink, true},
        {RecorderStatus::stopped(), Theme::gray, false},
        {RecorderStatus::paused(), Theme::gray, false},
        {RecorderStatus::locked(), Theme::gray, false},
        {RecorderStatus::asleep(), Theme::gray, false},
        {RecorderStatus::needsPermission(), Theme::red, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Controller::dotColor(c.status), c.color) << int(c.status.kind);
        EXPECT_EQ(Controller::dotPulses(c.status), c.pulses) << int(c.status.kind);
    }
    // Moments that are not saved stop the pulse and turn it red; pictures paused keep text only.
    struct SavingCase {
        SavingIssue issue;
        Theme::DynamicColor color;
        bool pulses;
    };
    const SavingCase saving[] = {
        {SavingIssue::diskFull, Theme::red, false},
        {SavingIssue::notWritable, Theme::red, false},
        {SavingIssue::writeFailed, Theme::red, false},
        {SavingIssue::picturesPausedForLowDisk, Theme::peach.ink, true},
    };
    for (const SavingCase& c : saving) {
        EXPECT_EQ(Controller::dotColor(RecorderStatus::recording(false), c.issue), c.color) << int(c.issue);
        EXPECT_EQ(Controller::dotPulses(RecorderStatus::recording(false), c.issue), c.pulses) << int(c.issue);
    }
    EXPECT_EQ(Controller::dotColor(RecorderStatus::paused(), SavingIssue::diskFull), Theme::gray);
}

TEST(MenuBarRulesTest, TheLastMomentShowsOnlyWithoutASkipReasonAndWhileTheLockLetsIt) {
    const Format format("en_US", "Europe/Istanbul");
    const ostrel::Time now = 1'741'330'800; // 10:00 in Istanbul
    ostrel::FrameSummary last;
    last.timestamp = now - 1080;
    last.windowTitle = "Quarterly report";
    last.appName = "Editor";
    const QString line = "Last moment " + format.time(now - 1080) + " · Quarterly report";
    struct Case {
        const char* name;
        std::optional<ostrel::FrameSummary> last;
        bool skip;
        bool lock;
        std::optional<ostrel::Time> unlockedUntil;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {"lock off", last, false, false, std::nullopt, line},
        {"lock off, an old unlock", last, false, false, now - 5, line},
        {"unlocked for a while", last, false, true, now + 60, line},
        {"locked", last, false, true, std::nullopt, std::nullopt},
        {"unlocked until now", last, false, true, now, std::nullopt},
        {"unlocked until a past time", last, false, true, now - 1, std::nullopt},
        {"a skip reason", last, true, false, std::nullopt, std::nullopt},
        {"no moment", std::nullopt, false, false, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Controller::lastMomentText(c.last, c.skip, c.lock, c.unlockedUntil, now, format),
                  c.expected)
            << c.name;
    }
    EXPECT_EQ(line.left(12), "Last moment ");
}

TEST(MenuBarRulesTest, TheThirdTileIsTheBatteryOnlyWithTodaysFiguresAndAKnownCapacity) {
    const Format format("en_US", "Europe/Istanbul");
    ostrel::DayStats today;
    today.energyJoules = 9000;
    struct Case {
        const char* name;
        std::optional<ostrel::DayStats> today;
        std::optional<double> batteryWh;
        Controller::EnergyTile tile;
        QString value;
    };
    const Case cases[] = {
        {"no figures", std::nullopt, 50.0, Controller::EnergyTile::energy, "0.0 Wh"},
        {"no battery", today, std::nullopt, Controller::EnergyTile::energy, "2.5 Wh"},
        {"a battery of 0 Wh", today, 0.0, Controller::EnergyTile::energy, "2.5 Wh"},
        {"a battery of 50 Wh", today, 50.0, Controller::EnergyTile::battery, "~5%"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Controller::energyTile(c.today, c.batteryWh), c.tile) << c.name;
        EXPECT_EQ(Controller::energyValue(c.today, c.batteryWh, format), c.value) << c.name;
    }
}

TEST(MenuBarRulesTest, AMenuPopsUpFourPixelsUnderTheButtonsBottomLeftCorner) {
    EXPECT_EQ(MenuButton::popupPoint({120, 28}), QPoint(0, 32));
}

} // namespace
} // namespace vesperline
