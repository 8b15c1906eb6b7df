#include "Store/Format.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <thread>
#include <vector>

using vesperline::Format;

namespace {

// 2025-03-01 14:05:09 in Istanbul (UTC+3), a Saturday; that day began at 1740776400.
constexpr ostrel::Time saturdayAfternoon = 1740827109;
constexpr double day = 86400;

// en_US puts a narrow no-break space before AM/PM.
QString englishTime(const char* clock, const char* period) {
    return QString::fromUtf8(clock) + QChar(0x202F) + QString::fromUtf8(period);
}

const Format& english() {
    static const Format format("en_US", "Europe/Istanbul");
    return format;
}

} // namespace

TEST(Format, NonBlankKeepsTheTextUntrimmedOrGivesNothing) {
    EXPECT_EQ(Format::nonBlank(QStringLiteral("  Inbox — Mail  ")), QStringLiteral("  Inbox — Mail  "));
    EXPECT_EQ(Format::nonBlank(QStringLiteral("x")), QStringLiteral("x"));
    for (const QString& blank : {QString(), QStringLiteral("   "), QStringLiteral("\n\r\n"),
                                 QStringLiteral("\t \u00A0\u2003\u0085")}) {
        EXPECT_FALSE(Format::nonBlank(blank).has_value()) << blank.toStdString();
    }
}

TEST(Format, DurationsShowHoursAndMinutesWithAtLeastOneMinute) {
    struct Case {
        double seconds;
        const char* expected;
    };
    const Case cases[] = {
        {0, "1 min"},   {12, "1 min"},         {59.9, "1 min"},       {60, "1 min"},  {119, "1 min"},
        {3600, "1 hr"}, {3660, "1 hr, 1 min"}, {7325, "2 hr, 2 min"}, {-30, "1 min"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(english().duration(c.seconds).toStdString(), c.expected) << c.seconds;
    }
}

TEST(Format, DatesAndTimesFollowTheLocaleAndZone) {
    const Format& f = english();
    EXPECT_EQ(f.time(saturdayAfternoon).toStdString(), englishTime("2:05", "PM").toStdString());
    EXPECT_EQ(f.timeWithSeconds(saturdayAfternoon).toStdString(), "14:05:09");
    EXPECT_EQ(f.mediumDate(saturdayAfternoon).toStdString(), "Mar 1, 2025");
    EXPECT_EQ(f.dayTitle(saturdayAfternoon).toStdString(), "Saturday, March 1");

    const Format german("de_DE", "Europe/Istanbul");
    EXPECT_EQ(german.time(saturdayAfternoon).toStdString(), "14:05");
    EXPECT_EQ(german.mediumDate(saturdayAfternoon).toStdString(), "01.03.2025");
    EXPECT_EQ(german.dayTitle(saturdayAfternoon).toStdString(), "Samstag, 1. März");

    // Calendar dates by weekday and day in the locale's order, the same in every zone; no text for a
    // date that does not exist.
    EXPECT_EQ(f.weekdayDay(2025, 3, 1).toStdString(), "1 Sat");
    EXPECT_EQ(f.weekdayDay(2024, 2, 29).toStdString(), "29 Thu");
    EXPECT_EQ(Format("en_US", "Pacific/Kiritimati").weekdayDay(2025, 3, 1).toStdString(), "1 Sat");
    EXPECT_EQ(german.weekdayDay(2025, 3, 1).toStdString(), "Sa., 1.");
    for (const auto& [year, month, dayOfMonth] :
         {std::array{2025, 2, 29}, {2025, 13, 1}, {2025, 0, 1}, {2025, 257, 1}, {2025, 4, 31}, {0, 1, 1}}) {
        EXPECT_TRUE(f.weekdayDay(year, month, dayOfMonth).isEmpty())
            << year << "-" << month << "-" << dayOfMonth;
    }

    // The shared instance follows the process's time zone (the tests run in Europe/Istanbul).
    EXPECT_EQ(Format::current().timeWithSeconds(saturdayAfternoon).toStdString(), "14:05:09");
    const Format utc("en_US", "UTC");
    EXPECT_EQ(utc.timeWithSeconds(saturdayAfternoon).toStdString(), "11:05:09");
}

TEST(Format, MomentLabelJudgesTodayAndYesterdayAgainstTheGivenNow) {
    const Format& f = english();
    const ostrel::Time now = saturdayAfternoon;
    struct Case {
        ostrel::Time date;
        QString expected;
    };
    const Case cases[] = {
        {now - 3600, QStringLiteral("Today ") + englishTime("1:05", "PM")},
        // 00:30 local is still today although it is yesterday in UTC.
        {1740778200, QStringLiteral("Today ") + englishTime("12:30", "AM")},
        {now - day, QStringLiteral("Yesterday ") + englishTime("2:05", "PM")},
        {1740776400 - 60, QStringLiteral("Yesterday ") + englishTime("11:59", "PM")},
        {now - 2 * day, QStringLiteral("Feb 27 ") + englishTime("2:05", "PM")},
        {now - 70 * day, QStringLiteral("Dec 21, 24 ") + englishTime("2:05", "PM")},
        // A moment after now (clock moved back) is a date like any other.
        {now + day, QStringLiteral("Mar 2 ") + englishTime("2:05", "PM")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(f.momentLabel(c.date, now).toStdString(), c.expected.toStdString()) << c.date;
    }
    // Only `now` decides: the same moment seen a year later carries its year.
    EXPECT_EQ(f.momentLabel(now, now + 365 * day).toStdString(),
              (QStringLiteral("Mar 1, 25 ") + englishTime("2:05", "PM")).toStdString());
}

TEST(Format, RelativeDatesNameTheLargestUnitTheyDifferIn) {
    const Format& f = english();
    const ostrel::Time saturdayStart = 1740776400;
    struct Case {
        ostrel::Time date;
        const char* expected;
    };
    const Case cases[] = {
        // The start of a day three days back, seen in the afternoon: days, not hours.
        {saturdayStart - 3 * day, "3 days ago"}, {saturdayStart - 9 * day, "1 wk. ago"},
        {saturdayStart - 40 * day, "1 mo. ago"}, {saturdayStart - 400 * day, "1 yr. ago"},
        {saturdayAfternoon - 7200, "2 hr. ago"}, {saturdayAfternoon + day, "in 1 day"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(f.relativeDateTime(c.date, saturdayAfternoon).toStdString(), c.expected) << c.date;
    }
    EXPECT_EQ(f.timeZoneID(), "Europe/Istanbul");
}

TEST(Format, NumbersUseTheLocalesSeparators) {
    const Format& f = english();
    const Format german("de_DE", "Europe/Istanbul");
    EXPECT_EQ(f.decimal(0, 2.5).toStdString(), "2");
    EXPECT_EQ(f.decimal(0, 3.7).toStdString(), "4");
    EXPECT_EQ(f.decimal(2, 1.5).toStdString(), "1.50");
    EXPECT_EQ(f.decimal(2, 1234.567).toStdString(), "1,234.57");
    EXPECT_EQ(german.decimal(2, 1234.567).toStdString(), "1.234,57");
    EXPECT_EQ(f.decimal(-1, 1.4).toStdString(), "1");

    EXPECT_EQ(f.percent(0.25).toStdString(), "25%");
    EXPECT_EQ(f.percent(0.125).toStdString(), "12.5%");
    EXPECT_EQ(f.percent(0.5).toStdString(), "50%");
    EXPECT_EQ(f.percent(0.12345).toStdString(), "12.3%");
    EXPECT_EQ(german.percent(0.125).toStdString(), "12,5\u00A0%");
}

TEST(Format, BytesUseDecimalUnitsFromKilobytesToGigabytes) {
    struct Case {
        std::int64_t bytes;
        const char* expected;
    };
    const Case cases[] = {
        {0, "0 kB"},
        {1, "1 kB"}, // never shows something as nothing
        {999, "1 kB"},
        {1500, "2 kB"},
        {512000, "512 kB"},
        {1234567, "1.2 MB"},
        {3000000, "3 MB"},
        {3456789012, "3.46 GB"},
        {2500000000000, "2,500 GB"}, // no terabytes
    };
    for (const Case& c : cases) {
        EXPECT_EQ(english().bytes(c.bytes).toStdString(), c.expected) << c.bytes;
    }
}

TEST(Format, ListsAndLanguageNamesFollowTheLocale) {
    const Format german("de_DE", "Europe/Istanbul");
    EXPECT_EQ(english().list({"Mail", "Notes", "Terminal"}).toStdString(), "Mail, Notes, and Terminal");
    EXPECT_EQ(english().list({"Mail", "Notes"}).toStdString(), "Mail and Notes");
    EXPECT_EQ(english().list({"Mail"}).toStdString(), "Mail");
    EXPECT_EQ(german.list({"Mail", "Notes", "Terminal"}).toStdString(), "Mail, Notes und Terminal");

    EXPECT_EQ(english().languageName().toStdString(), "English");
    EXPECT_EQ(german.languageName().toStdString(), "Deutsch");
    // No language, or one nobody has a name for, reads as English.
    EXPECT_EQ(Format("", "UTC").languageName().toStdString(), "English");
    EXPECT_EQ(Format("qq_ZZ", "UTC").languageName().toStdString(), "English");
}

TEST(Format, PluralsFollowTheLocalesRulesForEachCount) {
    const Format& f = english();
    const QString moments = "{0, plural, one {# moment today} other {# moments today}}";
    EXPECT_EQ(f.plural(moments, {0}).toStdString(), "0 moments today");
    EXPECT_EQ(f.plural(moments, {1}).toStdString(), "1 moment today");
    EXPECT_EQ(f.plural(moments, {2}).toStdString(), "2 moments today");
    EXPECT_EQ(f.plural(moments, {1000}).toStdString(), "1,000 moments today");
    EXPECT_EQ(f.plural(moments, {5'000'000'000}).toStdString(), "5,000,000,000 moments today") << "64-bit";
    // Each count of a text picks its own form.
    EXPECT_EQ(f.plural("{0, plural, one {# skipped} other {# skipped}} · {1, plural, one {# read} other "
                       "{# reads}}",
                       {3, 1})
                  .toStdString(),
              "3 skipped · 1 read");
    // Other languages have other forms and digits: Polish "few" and "many", German separators.
    const Format polish("pl_PL", "Europe/Warsaw");
    const QString files = "{0, plural, one {# plik} few {# pliki} many {# plików} other {# pliku}}";
    EXPECT_EQ(polish.plural(files, {1}).toStdString(), "1 plik");
    EXPECT_EQ(polish.plural(files, {3}).toStdString(), "3 pliki");
    EXPECT_EQ(polish.plural(files, {5}).toStdString(), "5 plików");
    const Format german("de_DE", "Europe/Istanbul");
    EXPECT_EQ(german.plural(moments, {1000}).toStdString(), "1.000 moments today");
    // A message ICU cannot read is shown as it is rather than lost.
    EXPECT_EQ(f.plural("{0, plural, one {# moment", {1}).toStdString(), "{0, plural, one {# moment");
}

TEST(Format, AFreshInstanceFirstUsedFromSeveralThreadsAtOnceWritesTheSameTexts) {
    // Every formatter is built on its first use: here by whichever of eight threads comes first.
    const auto texts = [](const Format& f) {
        return (f.time(saturdayAfternoon) + f.timeWithSeconds(saturdayAfternoon) +
                f.mediumDate(saturdayAfternoon) + f.dayTitle(saturdayAfternoon) + f.weekdayDay(2025, 3, 1) +
                f.duration(3660) + f.momentLabel(saturdayAfternoon - 40 * day, saturdayAfternoon) +
                f.relativeDateTime(saturdayAfternoon - 3 * day, saturdayAfternoon) + f.percent(0.125) +
                f.list({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}))
            .toStdString();
    };
    const std::string expected = texts(Format("de_DE", "Europe/Istanbul"));
    for (int round = 0; round < 10; ++round) {
        const Format fresh("de_DE", "Europe/Istanbul");
        std::vector<std::string> written(8);
        std::vector<std::thread> threads;
        for (std::string& text : written) {
            threads.emplace_back([&] { text = texts(fresh); });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        for (const std::string& text : written) {
            EXPECT_EQ(text, expected) << "round " << round;
        }
    }
}
