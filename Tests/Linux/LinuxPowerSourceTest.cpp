#include "Platform/Linux/LinuxPowerSource.h"
#include "Capture/PowerMonitor.h"
#include "SysfsTree.h"

#include <gtest/gtest.h>

using namespace vesperline;
using platform::LinuxPowerSource;
using Attributes = std::map<std::string, std::string>;

namespace {

// No bus: the power daemons are not asked.
QDBusConnection noBus() {
    return QDBusConnection(QStringLiteral("none"));
}

const Attributes mainsOnline{{"type", "Mains"}, {"online", "1"}};
const Attributes mainsOffline{{"type", "Mains"}, {"online", "0"}};

Attributes battery(const std::string& status, Attributes more = {}) {
    more["type"] = "Battery";
    more["status"] = status;
    more.try_emplace("present", "1");
    return more;
}

TEST(LinuxPowerSourceTest, SuppliesGiveBatteryStateAndCharge) {
    struct Case {
        const char* name;
        std::map<std::string, Attributes> supplies;
        bool onBattery;
        std::optional<double> level;
    };
    const std::vector<Case> cases = {
        {"nothing readable", {}, false, std::nullopt},
        {"plugged in, charging",
         {{"AC", mainsOnline}, {"BAT0", battery("Charging", {{"capacity", "80"}})}},
         false,
         0.8},
        {"unplugged",
         {{"AC", mainsOffline}, {"BAT0", battery("Discharging", {{"capacity", "50"}})}},
         true,
         0.5},
        {"no mains entry at all", {{"BAT0", battery("Discharging", {{"capacity", "50"}})}}, true, 0.5},
        {"mains online outweighs a discharging battery",
         {{"AC", mainsOnline}, {"BAT0", battery("Discharging", {{"capacity", "50"}})}},
         false,
         0.5},
        {"a USB-C charger is external power",
         {{"ucsi-source-psy-USBC000:001", {{"type", "USB"}, {"online", "1"}}},
          {"BAT0", battery("Discharging", {{"capacity", "40"}})}},
         false,
         0.4},
        {"full, not discharging",
         {{"AC", mainsOffline}, {"BAT0", battery("Full", {{"capacity", "100"}})}},
         false,
         1.0},
        {"energy now over full, as reported",
         {{"BAT0", battery("Discharging", {{"energy_now", "25000000"}, {"energy_full", "50000000"}})}},
         true,
         0.5},
        {"charge now over full",
         {{"BAT0", battery("Discharging", {{"charge_now", "1000000"}, {"charge_full", "4000000"}})}},
         true,
         0.25},
        {"a full charge of 0 is passed over",
         {{"BAT0", battery("Discharging", {{"charge_now", "10"}, {"charge_full", "0"}})}},
         true,
         std::nullopt},
        {"a mouse battery is not the machine's",
         {{"AC", mainsOffline},
          {"hid-mouse-battery", battery("Discharging", {{"capacity", "5"}, {"scope", "Device"}})}},
         false,
         std::nullopt},
        {"an empty bay is no battery",
         {{"BAT1", battery("Discharging", {{"capacity", "5"}, {"present", "0"}})}},
         false,
         std::nullopt},
        {"two batteries count together",
         {{"BAT0", battery("Discharging",
                           {{"capacity", "20"}, {"energy_now", "10000000"}, {"energy_full", "50000000"}})},
          {"BAT1", battery("Unknown",
                           {{"capacity", "100"}, {"energy_now", "30000000"}, {"energy_full", "30000000"}})}},
         true,
         0.5},
    };
    for (const Case& c : cases) {
        testsupport::SysfsTree sysfs;
        for (const auto& [name, attributes] : c.supplies) {
            sysfs.set("class/power_supply/" + name, attributes);
        }
        LinuxPowerSource source(sysfs.root(), noBus());
        const ostrel::PowerSnapshot snapshot = source.read();
        EXPECT_EQ(snapshot.onBattery, c.onBattery) << c.name;
        EXPECT_EQ(snapshot.batteryLevel.has_value(), c.level.has_value()) << c.name;
        if (snapshot.batteryLevel && c.level) {
            EXPECT_DOUBLE_EQ(*snapshot.batteryLevel, *c.level) << c.name;
        }
        EXPECT_FALSE(snapshot.lowPowerMode) << c.name;
    }
}

TEST(LinuxPowerSourceTest, ThermalLevelFromTripPoints) {
    struct Case {
        const char* name;
        Attributes zone;
        int level;
    };
    const Attributes trips{{"trip_point_0_type", "active"},   {"trip_point_0_temp", "50000"},
                           {"trip_point_1_type", "passive"},  {"trip_point_1_temp", "90000"},
                           {"trip_point_2_type", "critical"}, {"trip_point_2_temp", "105000"}};
    const auto zone = [&](const char* temperature, Attributes more = {}) {
        Attributes attributes = trips;
        attributes["temp"] = temperature;
        attributes.merge(more);
        return attributes;
    };
    const std::vector<Case> cases = {
        {"cool", zone("42000"), 0},
        {"fans on", zone("50000"), 1},
        {"throttling", zone("95000"), 2},
        {"critical", zone("105000"), 3},
        {"hot trip", {{"temp", "80000"}, {"trip_point_0_type", "hot"}, {"trip_point_0_temp", "80000"}}, 3},
        {"a disabled zone tells nothing", zone("95000", {{"mode", "disabled"}}), 0},
        {"a placeholder trip of 0 is none",
         {{"temp", "30000"}, {"trip_point_0_type", "passive"}, {"trip_point_0_temp", "0"}},
         0},
        {"no temperature", {{"trip_point_0_type", "passive"}, {"trip_point_0_temp", "1"}}, 0},
    };
    for (const Case& c : cases) {
        testsupport::SysfsTree sysfs;
        sysfs.set("class/thermal/thermal_zone0", {{"temp", "30000"}});
        sysfs.set("class/thermal/thermal_zone1", c.zone);
        // Cooling devices live beside the zones and have no temperature.
        sysfs.set("class/thermal/cooling_device0", {{"type", "Processor"}});
        LinuxPowerSource source(sysfs.root(), noBus());
        EXPECT_EQ(source.read().thermalLevel, c.level) << c.name;
    }
}

TEST(LinuxPowerSourceTest, BatteryCapacityInWattHours) {
    struct Case {
        const char* name;
        std::map<std::string, Attributes> supplies;
        std::optional<double> wattHours;
    };
    const std::vector<Case> cases = {
        {"no battery", {{"AC", mainsOnline}}, std::nullopt},
        {"5000 mAh at 12 V from the design values",
         {{"BAT0", battery("Full", {{"charge_full_design", "5000000"}, {"voltage_min_design", "12000000"}})}},
         60.0},
        {"a voltage of 0 gives none",
         {{"BAT0", battery("Full", {{"charge_full_design", "5000000"}, {"voltage_min_design", "0"}})}},
         std::nullopt},
        {"today's full charge before the design",
         {{"BAT0", battery("Full", {{"charge_full", "4000000"},
                                    {"charge_full_design", "5000000"},
                                    {"voltage_min_design", "12000000"}})}},
         48.0},
        {"energy needs no voltage", {{"BAT0", battery("Full", {{"energy_full", "57000000"}})}}, 57.0},
        {"two batteries add up",
         {{"BAT0", battery("Full", {{"energy_full", "23000000"}})},
          {"BAT1", battery("Full", {{"energy_full", "72000000"}})}},
         95.0},
        {"a keyboard battery does not count",
         {{"hid-keyboard", battery("Full", {{"energy_full", "2000000"}, {"scope", "Device"}})}},
         std::nullopt},
    };
    for (const Case& c : cases) {
        testsupport::SysfsTree sysfs;
        for (const auto& [name, attributes] : c.supplies) {
            sysfs.set("class/power_supply/" + name, attributes);
        }
        const LinuxPowerSource source(sysfs.root(), noBus());
        EXPECT_EQ(source.batteryCapacityWattHours(), c.wattHours) << c.name;
    }
}

TEST(LinuxPowerSourceTest, UnpluggingGivesExactlyOneChange) {
    testsupport::SysfsTree sysfs;
    sysfs.set("class/power_supply/AC", mainsOnline);
    sysfs.set("class/power_supply/BAT0", battery("Charging", {{"capacity", "70"}}));
    LinuxPowerSource source(sysfs.root(), noBus());
    PowerMonitor monitor(source);
    std::vector<ostrel::PowerSnapshot> changes;
    monitor.onChange = [&](const ostrel::PowerSnapshot& snapshot) { changes.push_back(snapshot); };

    monitor.start();
    ASSERT_EQ(changes.size(), 1u) << "the charge differs from the initial state";
    EXPECT_FALSE(changes[0].onBattery);

    monitor.refresh();
    EXPECT_EQ(changes.size(), 1u) << "a look that finds nothing new reports nothing";

    sysfs.set("class/power_supply/AC", mainsOffline);
    sysfs.set("class/power_supply/BAT0", battery("Discharging", {{"capacity", "70"}}));
    monitor.refresh();
    monitor.refresh();
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_TRUE(changes[1].onBattery);
    EXPECT_EQ(changes[1].batteryLevel, 0.7);
    EXPECT_EQ(monitor.snapshot(), changes[1]);
}

} // namespace
