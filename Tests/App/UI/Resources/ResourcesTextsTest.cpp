#include "UI/Resources/ResourcesTexts.h"

#include "Store/Format.h"

#include "Support/QtPrinters.h"

#include <gtest/gtest.h>

namespace vesperline {
namespace {

using ResourcesTexts::StatCard;

const Format& english() {
    static const Format format("en_US", "Europe/Istanbul");
    return format;
}

ostrel::DayStats day(double energyJoules, double cpuSeconds = 0) {
    ostrel::DayStats stats;
    stats.day = "2025-03-01";
    stats.energyJoules = energyJoules;
    stats.cpuSeconds = cpuSeconds;
    return stats;
}

TEST(ResourcesTextsTest, BatteryCardShowsTheShareOfOneChargeOnlyWithStatisticsAndABattery) {
    struct Case {
        std::optional<ostrel::DayStats> today;
        std::optional<double> batteryWh;
        const char* value;
        const char* detail;
    };
    const Case cases[] = {
        {day(36), 50, "~0%", "0.01 Wh today"}, // 36 / 180,000 = 0.02 %: one fraction digit at most
        {day(1800), 50, "~1%", "0.50 Wh today"},         {day(9000), 50, "~5%", "2.50 Wh today"},
        {day(1800), std::nullopt, "—", "0.50 Wh today"}, // no battery
        {day(1800), 0.0, "—", "0.50 Wh today"},          // a battery without capacity
        {std::nullopt, 50, "—", "0.00 Wh today"},        // nothing measured today yet
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResourcesTexts::battery(c.today, c.batteryWh, english()),
                  (StatCard{"Battery", "battery.75percent", c.value, c.detail}))
            << c.value << " " << c.detail;
    }
}

TEST(ResourcesTextsTest, ProcessorCardAveragesOverTheDayWithAtLeastAMinute) {
    struct Case {
        std::optional<ostrel::DayStats> today;
        double secondsToday;
        const char* value;
        const char* detail;
    };
    const Case cases[] = {
        {day(0, 6), 30, "10%", "average today · 6 s of CPU time"}, // 6 / 60, not 6 / 30
        {day(0, 6), 120, "5%", "average today · 6 s of CPU time"},
        {day(0, 6.9), 600, "1.2%", "average today · 6 s of CPU time"},      // whole seconds, fraction dropped
        {day(0, 7200), 3600, "200%", "average today · 7200 s of CPU time"}, // over one core
        {std::nullopt, 3600, "0%", "average today · 0 s of CPU time"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResourcesTexts::processor(c.today, c.secondsToday, english()),
                  (StatCard{"Processor", "cpu", c.value, c.detail}))
            << c.value;
    }
}

TEST(ResourcesTextsTest, DiskAndMomentsCards) {
    ostrel::StorageBreakdown storage;
    EXPECT_EQ(ResourcesTexts::disk(storage, 10, english()),
              (StatCard{"Disk", "internaldrive", "0 kB", "Limit 10 GB"}));
    storage.segmentBytes = 2'000'000'000;
    storage.databaseBytes = 460'000'000;
    EXPECT_EQ(ResourcesTexts::disk(storage, 25, english()).value, "2.46 GB");

    ostrel::DayStats today = day(0);
    today.framesSaved = 12345;
    today.framesSkipped = 4021;
    today.ocrRuns = 17;
    EXPECT_EQ(
        ResourcesTexts::moments(today, english()),
        (StatCard{"Moments", "camera.viewfinder", "12345", "4,021 duplicates skipped · 17 text reads"}));
    EXPECT_EQ(ResourcesTexts::moments(std::nullopt, english()),
              (StatCard{"Moments", "camera.viewfinder", "0", "0 duplicates skipped · 0 text reads"}));
}

TEST(ResourcesTextsTest, SummaryNamesTheBatteryShareOrElseTheWattHours) {
    ostrel::StorageBreakdown storage;
    storage.segmentBytes = 1'500'000'000;
    storage.databaseBytes = 250'000'000;
    EXPECT_EQ(ResourcesTexts::summary(day(9000), 50, storage, english()),
              "Today Vesperline used about 5% of your battery. Your memory takes 1.75 GB on disk.");
    EXPECT_EQ(ResourcesTexts::summary(day(3600), std::nullopt, storage, english()),
              "Today Vesperline used 1.00 Wh of energy. Your memory takes 1.75 GB on disk.");
    EXPECT_EQ(ResourcesTexts::summary(std::nullopt, 50, {}, english()),
              "Today Vesperline used 0.00 Wh of energy. Your memory takes 0 kB on disk.");
    EXPECT_EQ(ResourcesTexts::summary(day(3600), 0.0, {}, english()),
              "Today Vesperline used 1.00 Wh of energy. Your memory takes 0 kB on disk.");
    // The number format is the user's.
    EXPECT_EQ(ResourcesTexts::summary(day(3600), std::nullopt, {}, Format("de_DE", "Europe/Istanbul")),
              "Today Vesperline used 1,00 Wh of energy. Your memory takes 0 kB on disk.");
}

TEST(ResourcesTextsTest, FootnoteSaysWhatTheEnergyIsMeasuredFrom) {
    EXPECT_EQ(
        ResourcesTexts::footnote(platform::EnergyMethod::measured, english()),
        "Measured from the processor's energy counter, shared out by the Vesperline process's part of the "
        "processor time (the display server's own screen capture work is not included).");
    EXPECT_EQ(
        ResourcesTexts::footnote(platform::EnergyMethod::estimated, english()),
        "Estimated from the Vesperline process's processor time at a nominal 10 W, as this computer's "
        "energy counter cannot be read (the display server's own screen capture work is not included).");
}

TEST(ResourcesTextsTest, DayLabelsShowWeekdayAndDayOrTheKeyThatIsNoDate) {
    const std::pair<const char*, const char*> cases[] = {
        {"2025-03-01", "1 Sat"},
        {"2025-03-06", "6 Thu"},
        {"2024-02-29", "29 Thu"},
        {"2025-02-29", "2025-02-29"},
        {"2025-3-01", "2025-3-01"},
        {"yesterday", "yesterday"},
        {"", ""},
        {"2025-03-01 ", "2025-03-01 "},
    };
    for (const auto& [key, label] : cases) {
        EXPECT_EQ(ResourcesTexts::dayLabel(key, english()), label) << key;
    }
}

TEST(ResourcesTextsTest, EnergySavingLinesFollowOnlyPowerSourceLevelAndPolicy) {
    const auto power = [](bool onBattery, std::optional<double> level = std::nullopt) {
        ostrel::PowerSnapshot snapshot;
        snapshot.onBattery = onBattery;
        snapshot.batteryLevel = level;
        return snapshot;
    };
    const auto policy = [](bool ocrNow, bool captureImages) {
        ostrel::CapturePolicy rules;
        rules.ocrNow = ocrNow;
        rules.captureImages = captureImages;
        return rules;
    };
    const QString screen = "The screen is only checked when something changes; idle screens cost nothing.";
    const QString videos = "Videos and video calls are recorded rarely.";
    const QString immediate = "Text in images is read immediately.";
    const QString postponed = "Reading text from images is postponed until you're plugged in.";
    const QString textOnly = "Only text is being saved (Low Power Mode, low battery or heat).";
    struct Case {
        const char* state;
        ostrel::PowerSnapshot power;
        ostrel::CapturePolicy policy;
        QStringList lines;
    };
    ostrel::PowerSnapshot hotAndSaving = power(false);
    hotAndSaving.lowPowerMode = true;
    hotAndSaving.thermalLevel = 3;
    ostrel::CapturePolicy textOnlyOnHeat = policy(false, false);
    textOnlyOnHeat.reason = ostrel::CapturePolicy::Reason::thermal;
    const Case cases[] = {
        {"on power",
         power(false, 0.5),
         policy(true, true),
         {"On power: full quality, maintenance allowed.", screen, immediate, videos}},
        {"on battery at 42 %",
         power(true, 0.42),
         policy(false, true),
         {"On battery (42%): recording less often, heavy work waits for power.", screen, postponed, videos}},
        {"on battery, level unknown",
         power(true),
         policy(false, true),
         {"On battery: recording less often, heavy work waits for power.", screen, postponed, videos}},
        {"text only",
         power(true, 0.08),
         policy(false, false),
         {"On battery (8%): recording less often, heavy work waits for power.", screen, postponed, textOnly,
          videos}},
        // Power saving and heat by themselves change nothing; only the policy they lead to does.
        {"hot, saving power",
         hotAndSaving,
         policy(true, true),
         {"On power: full quality, maintenance allowed.", screen, immediate, videos}},
        {"text only for heat",
         hotAndSaving,
         textOnlyOnHeat,
         {"On power: full quality, maintenance allowed.", screen, postponed, textOnly, videos}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResourcesTexts::energySavingLines(c.power, c.policy, english()), c.lines) << c.state;
    }
}

TEST(ResourcesTextsTest, StorageCardTexts) {
    ostrel::StorageBreakdown storage;
    EXPECT_EQ(ResourcesTexts::storageUsage(storage, 10, english()), "0 kB of 10 GB limit");
    EXPECT_EQ(ResourcesTexts::storageCounts(storage, english()), "0 moments · 0 text-only");
    EXPECT_EQ(ResourcesTexts::oldestMemory(storage, english()), std::nullopt) << "an empty memory";

    storage.segmentBytes = 2LL << 30;
    storage.databaseBytes = 1LL << 30;
    storage.frameCount = 48210;
    storage.textOnlyCount = 1302;
    storage.oldest = 1740827109; // 2025-03-01 in Istanbul
    // The text counts decimal gigabytes, as file sizes are shown; the limit is in binary ones.
    EXPECT_EQ(ResourcesTexts::storageUsage(storage, 10, english()), "3.22 GB of 10 GB limit");
    EXPECT_EQ(ResourcesTexts::storageCounts(storage, english()), "48,210 moments · 1,302 text-only");
    EXPECT_EQ(ResourcesTexts::oldestMemory(storage, english()), "Memory goes back to Mar 1, 2025.");

    EXPECT_EQ(ResourcesTexts::ocrBacklog(0, english()), std::nullopt);
    EXPECT_EQ(ResourcesTexts::ocrBacklog(-1, english()), std::nullopt);
    EXPECT_EQ(ResourcesTexts::ocrBacklog(37, english()),
              "37 images waiting for text reading (runs on power)");
}

} // namespace
} // namespace vesperline
