#pragma once

#include "Rules/WorkLog.h"

#include <QString>

#include <cstddef>
#include <optional>
#include <vector>

// What the journal's hour-by-hour chart draws: the day's top apps each in a hue of its own, every
// other app together as "Other", and one bar segment per app and hour.
namespace vesperline::JournalChart {

// Apps with a colour of their own; the rest are drawn as "Other".
constexpr std::size_t topApps = 6;

struct Series {
    QString name;
    std::optional<std::size_t> hue; // position in Theme::hues; none for "Other"
    bool operator==(const Series&) const = default;
};

struct Entry {
    int hour = 0;
    // Position in `Chart::series`. Series are told apart by position, not by name: two apps of one
    // name, or an app called "Other", still get bars of their own.
    std::size_t series = 0;
    double minutes = 0;
    bool operator==(const Entry&) const = default;
};

struct Chart {
    // The top apps in the log's order, then "Other", always last.
    std::vector<Series> series;
    // One per slice of the log, in its order.
    std::vector<Entry> entries;
    bool operator==(const Chart&) const = default;
};

Chart make(const ostrel::WorkLog& log);

} // namespace vesperline::JournalChart
