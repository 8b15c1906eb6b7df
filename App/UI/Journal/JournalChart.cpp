#include "UI/Journal/JournalChart.h"

#include <QCoreApplication>

#include <algorithm>

namespace vesperline::JournalChart {

Chart make(const ostrel::WorkLog& log) {
    Chart chart;
    const std::size_t named = std::min(topApps, log.apps.size());
    for (std::size_t i = 0; i < named; ++i) {
        chart.series.push_back({QString::fromStdString(log.apps[i].name), i});
    }
    chart.series.push_back({QCoreApplication::translate("JournalChart", "Other"), std::nullopt});

    const auto top = log.apps.begin();
    chart.entries.reserve(log.slices.size());
    for (const ostrel::WorkLogSlice& slice : log.slices) {
        // App keys are unique within the log, so a slice belongs to at most one top app.
        const auto app =
            std::find_if(top, top + static_cast<std::ptrdiff_t>(named),
                         [&](const ostrel::WorkLogEntry& entry) { return entry.id == slice.key; });
        chart.entries.push_back({slice.hour, static_cast<std::size_t>(app - top), slice.seconds / 60});
    }
    return chart;
}

} // namespace vesperline::JournalChart
