#include "Rules/WorkLogBuilder.h"

#include <gtest/gtest.h>
#include <unicode/timezone.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace {

using ostrel::ActivitySpan;
using ostrel::Time;
using ostrel::WorkLog;
using ostrel::WorkLogEntry;
using ostrel::WorkLogSlice;
using ostrel::WorkLogBuilder::build;

Time utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    return static_cast<Time>(timegm(&parts));
}

std::unique_ptr<icu::TimeZone> zone(const char* id) {
    return std::unique_ptr<icu::TimeZone>(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(id)));
}

ActivitySpan span(std::int64_t id, Time start, Time end, std::optional<std::string> bundle,
                  std::optional<std::string> name, std::optional<std::string> project = std::nullopt) {
    return ActivitySpan{id, start, end, std::move(bundle), std::move(name), std::move(project), std::nullopt};
}

std::vector<std::pair<int, double>> hoursOf(const WorkLog& log) {
    std::vector<std::pair<int, double>> hours;
    for (const auto& slice : log.slices) {
        hours.emplace_back(slice.hour, slice.seconds);
    }
    return hours;
}

TEST(WorkLogBuilder, WorkedExampleDay) {
    const Time day = utc(2026, 3, 10);
    const std::vector<ActivitySpan> spans = {
        span(7, utc(2026, 3, 10, 9, 50), utc(2026, 3, 10, 10, 20), "x.editor", "Editor", "Atlas"),
        span(8, utc(2026, 3, 10, 10, 20), utc(2026, 3, 10, 10, 30), std::nullopt, "Terminal"),
        span(9, utc(2026, 3, 10, 23, 40), utc(2026, 3, 11, 0, 30), "x.editor", "Editor", "atlas"),
        span(6, utc(2026, 3, 10, 8), utc(2026, 3, 10, 8), "x.editor", "Editor"),
        span(5, utc(2026, 3, 9, 23, 50), utc(2026, 3, 10, 0, 5), "x.browser", "Browser", ""),
    };
    const auto log = build(spans, day, utc(2026, 3, 11), *zone("UTC"));

    EXPECT_EQ(log.dayStart, day);
    EXPECT_DOUBLE_EQ(log.totalSeconds, 3900);
    EXPECT_EQ(log.apps, (std::vector<WorkLogEntry>{{"x.editor", "Editor", "x.editor", 3000},
                                                   {"Terminal", "Terminal", std::nullopt, 600},
                                                   {"x.browser", "Browser", "x.browser", 300}}));
    EXPECT_EQ(log.projects, (std::vector<WorkLogEntry>{{"atlas", "Atlas", "x.editor", 3000}}));
    EXPECT_EQ(log.slices, (std::vector<WorkLogSlice>{{0, "x.browser", "Browser", "x.browser", 300},
                                                     {9, "x.editor", "Editor", "x.editor", 600},
                                                     {10, "x.editor", "Editor", "x.editor", 1200},
                                                     {10, "Terminal", "Terminal", std::nullopt, 600},
                                                     {23, "x.editor", "Editor", "x.editor", 1200}}));
    EXPECT_EQ(log.slices[1].id(), "9-x.editor");
    EXPECT_EQ(log.firstActivity, day);
    EXPECT_EQ(log.lastActivity, utc(2026, 3, 11));
    ASSERT_EQ(log.spans.size(), 4u);
    EXPECT_EQ(log.spans[0], span(5, day, utc(2026, 3, 10, 0, 5), "x.browser", "Browser", ""));
    EXPECT_EQ(log.spans[3],
              span(9, utc(2026, 3, 10, 23, 40), utc(2026, 3, 11), "x.editor", "Editor", "atlas"));
    std::vector<std::int64_t> ids;
    for (const auto& s : log.spans) {
        ids.push_back(s.id);
    }
    EXPECT_EQ(ids, (std::vector<std::int64_t>{5, 7, 8, 9}));
}

TEST(WorkLogBuilder, DaysWithoutKeptSpansGiveTheEmptyLog) {
    const Time day = utc(2026, 3, 10);
    const Time end = utc(2026, 3, 11);
    const auto nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<std::pair<std::string, std::vector<ActivitySpan>>> cases = {
        {"no spans", {}},
        {"ends at the day's start", {span(1, day - 600, day, "a", "A")}},
        {"starts at the day's end", {span(1, end, end + 600, "a", "A")}},
        {"ends before it starts", {span(1, day + 900, day + 600, "a", "A")}},
        {"another day", {span(1, day - 9000, day - 3600, "a", "A")}},
        {"not a number", {span(1, nan, day + 600, "a", "A"), span(2, day + 600, nan, "a", "A")}},
    };
    for (const auto& [name, spans] : cases) {
        const auto log = build(spans, day, end, *zone("UTC"));
        EXPECT_EQ(log.dayStart, day) << name;
        EXPECT_EQ(log.totalSeconds, 0) << name;
        EXPECT_TRUE(log.apps.empty() && log.projects.empty() && log.slices.empty() && log.spans.empty())
            << name;
        EXPECT_FALSE(log.firstActivity || log.lastActivity) << name;
    }
    EXPECT_TRUE(build({span(1, day, end, "a", "A")}, day, day, *zone("UTC")).spans.empty());
    EXPECT_TRUE(
        build({span(1, day, end, "a", "A")}, day, std::numeric_limits<double>::infinity(), *zone("UTC"))
            .spans.empty());
}

TEST(WorkLogBuilder, KeysNamesAndProjects) {
    const Time day = utc(2026, 3, 10);
    const std::vector<ActivitySpan> spans = {
        span(1, day + 100, day + 200, "x.app", "First Name"),
        span(2, day + 300, day + 500, "x.app", "Second Name"),
        span(3, day + 600, day + 700, std::nullopt, "x.app"),
        span(4, day + 800, day + 810, std::nullopt, std::nullopt, "  "),
        span(5, day + 900, day + 920, "", std::nullopt),
    };
    const auto log = build(spans, day, day + 86400, *zone("UTC"));
    EXPECT_EQ(log.apps,
              (std::vector<WorkLogEntry>{
                  {"x.app", "First Name", "x.app", 400}, {"", "", "", 20}, {"?", "?", std::nullopt, 10}}));
    EXPECT_EQ(log.projects, (std::vector<WorkLogEntry>{{"  ", "  ", std::nullopt, 10}}))
        << "a blank project is not trimmed";
    EXPECT_EQ(log.slices.size(), 3u) << "one slice per hour and app key";
}

TEST(WorkLogBuilder, OverlapsCountInFullAndHoursSplitAtBoundaries) {
    const Time day = utc(2026, 3, 10);
    const Time nine = utc(2026, 3, 10, 9);
    const std::vector<ActivitySpan> spans = {
        span(1, utc(2026, 3, 10, 9, 59, 30), utc(2026, 3, 10, 10, 0, 30), "a", "A"),
        span(2, nine, nine + 7200 + 60, "b", "B"),
        span(3, nine + 600, nine + 1200, "b", "B"),
        span(4, nine + 600, nine + 1200, "b", "B"),
    };
    const auto log = build(spans, day, day + 86400, *zone("UTC"));
    EXPECT_DOUBLE_EQ(log.totalSeconds, 60 + 7260 + 600 + 600);
    EXPECT_EQ(hoursOf(log),
              (std::vector<std::pair<int, double>>{{9, 4800}, {9, 30}, {10, 3600}, {10, 30}, {11, 60}}));
    EXPECT_EQ(log.lastActivity, nine + 7260) << "the latest end, not the last span's end";
    EXPECT_EQ(log.firstActivity, nine);
}

TEST(WorkLogBuilder, HoursFollowTheLocalClockAcrossClockChanges) {
    const auto berlin = zone("Europe/Berlin");
    struct Case {
        const char* name;
        Time dayStart;
        Time dayEnd;
        std::vector<std::pair<int, double>> hours; // every local hour with activity
    };
    std::vector<std::pair<int, double>> springHours;
    std::vector<std::pair<int, double>> autumnHours;
    for (int hour = 0; hour < 24; ++hour) {
        if (hour != 2) {
            springHours.emplace_back(hour, 3600);
        }
        autumnHours.emplace_back(hour, hour == 2 ? 7200 : 3600);
    }
    const Case cases[] = {
        {"23-hour day, 02:00 skipped", utc(2026, 3, 28, 23), utc(2026, 3, 29, 22), springHours},
        {"25-hour day, 02:00 twice", utc(2026, 10, 24, 22), utc(2026, 10, 25, 23), autumnHours},
    };
    for (const auto& c : cases) {
        const auto log =
            build({span(1, c.dayStart - 60, c.dayEnd + 60, "a", "A")}, c.dayStart, c.dayEnd, *berlin);
        EXPECT_DOUBLE_EQ(log.totalSeconds, c.dayEnd - c.dayStart) << c.name;
        EXPECT_EQ(hoursOf(log), c.hours) << c.name;
    }
}

TEST(WorkLogBuilder, UsesTheHostTimeZoneNamedByTZ) {
    const char* previous = std::getenv("TZ");
    const std::string saved = previous ? previous : "";
    ::setenv("TZ", "Asia/Kolkata", 1);
    const std::unique_ptr<icu::TimeZone> host(icu::TimeZone::detectHostTimeZone());
    previous ? ::setenv("TZ", saved.c_str(), 1) : ::unsetenv("TZ");

    // 05:30 UTC is 11:00 in a zone half an hour off whole hours.
    const Time start = utc(2026, 3, 10, 5, 0);
    const auto log = build({span(1, start, start + 3600, "a", "A")}, utc(2026, 3, 9, 18, 30),
                           utc(2026, 3, 10, 18, 30), *host);
    EXPECT_EQ(hoursOf(log), (std::vector<std::pair<int, double>>{{10, 1800}, {11, 1800}}));
}

} // namespace
