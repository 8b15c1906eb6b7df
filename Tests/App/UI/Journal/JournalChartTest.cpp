#include "UI/Journal/JournalChart.h"

#include "Support/QtPrinters.h"

#include <gtest/gtest.h>

namespace vesperline {
namespace {

using JournalChart::Entry;
using JournalChart::Series;

// A log of apps, each with one slice in the hour of its position, holding `seconds` of it.
ostrel::WorkLog logOf(const std::vector<std::pair<std::string, std::string>>& apps) {
    ostrel::WorkLog log;
    for (std::size_t i = 0; i < apps.size(); ++i) {
        const auto& [id, name] = apps[i];
        const double seconds = 600.0 * double(apps.size() - i);
        log.apps.push_back({id, name, id, seconds});
        log.slices.push_back({static_cast<int>(i), id, name, id, seconds});
        log.totalSeconds += seconds;
    }
    return log;
}

TEST(JournalChartTest, TheTopSixAppsHaveSeriesOfTheirOwnAndOtherComesLast) {
    const JournalChart::Chart seven = JournalChart::make(
        logOf({{"a", "A"}, {"b", "B"}, {"c", "C"}, {"d", "D"}, {"e", "E"}, {"f", "F"}, {"g", "G"}}));
    EXPECT_EQ(seven.series,
              (std::vector<Series>{
                  {"A", 0}, {"B", 1}, {"C", 2}, {"D", 3}, {"E", 4}, {"F", 5}, {"Other", std::nullopt}}));
    ASSERT_EQ(seven.entries.size(), 7u);
    EXPECT_EQ(seven.entries[5], (Entry{5, 5, 20}));
    EXPECT_EQ(seven.entries[6], (Entry{6, 6, 10})) << "the seventh app is drawn as Other";

    const JournalChart::Chart three = JournalChart::make(logOf({{"a", "A"}, {"b", "B"}, {"c", "C"}}));
    EXPECT_EQ(three.series, (std::vector<Series>{{"A", 0}, {"B", 1}, {"C", 2}, {"Other", std::nullopt}}));
    EXPECT_EQ(three.entries, (std::vector<Entry>{{0, 0, 30}, {1, 1, 20}, {2, 2, 10}}));

    const JournalChart::Chart none = JournalChart::make(ostrel::WorkLog{});
    EXPECT_EQ(none.series, (std::vector<Series>{{"Other", std::nullopt}}));
    EXPECT_TRUE(none.entries.empty());
}

TEST(JournalChartTest, AppsAreToldApartByTheirKeysNotTheirNames) {
    // Two apps called "Notes" and one called "Other", with an eighth app that really is Other.
    const JournalChart::Chart chart = JournalChart::make(logOf({{"org.one.Notes", "Notes"},
                                                                {"org.two.Notes", "Notes"},
                                                                {"org.example.Other", "Other"},
                                                                {"d", "D"},
                                                                {"e", "E"},
                                                                {"f", "F"},
                                                                {"g", "G"}}));
    ASSERT_EQ(chart.series.size(), 7u);
    EXPECT_EQ(chart.series[0], (Series{"Notes", 0}));
    EXPECT_EQ(chart.series[1], (Series{"Notes", 1}));
    EXPECT_EQ(chart.series[2], (Series{"Other", 2}));
    std::vector<std::size_t> series;
    for (const Entry& entry : chart.entries) {
        series.push_back(entry.series);
    }
    EXPECT_EQ(series, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6}));
}

} // namespace
} // namespace vesperline
