#pragma once

#include "Platform/ProcessResources.h"
#include "Rules/CapturePolicy.h"
#include "Rules/PowerSnapshot.h"
#include "Storage/DayStats.h"
#include "Storage/StorageBreakdown.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>

namespace vesperline {

class Format;

// The texts of the resources screen, made from the figures they show. A missing `today` (no
// statistics written yet today) counts as zero for every figure.
namespace ResourcesTexts {

// One of the four figure cards at the top of the screen.
struct StatCard {
    QString title;
    QString symbol;
    QString value;
    QString detail;

    bool operator==(const StatCard&) const = default;
};

// Today's energy as a share of one full battery charge; none without statistics or a battery.
std::optional<double> batteryShare(const std::optional<ostrel::DayStats>& today,
                                   std::optional<double> batteryWh);

StatCard battery(const std::optional<ostrel::DayStats>& today, std::optional<double> batteryWh,
                 const Format& format);
// The processor time since midnight over the time since midnight (`secondsToday`, at least a minute
// counted), as a share of one core.
StatCard processor(const std::optional<ostrel::DayStats>& today, double secondsToday, const Format& format);
StatCard disk(const ostrel::StorageBreakdown& storage, std::int64_t diskCapGB, const Format& format);
StatCard moments(const std::optional<ostrel::DayStats>& today, const Format& format);

// The header's sentence on today's cost: a share of the battery where there is one, else watt-hours.
QString summary(const std::optional<ostrel::DayStats>& today, std::optional<double> batteryWh,
                const ostrel::StorageBreakdown& storage, const Format& format);
// What the energy figures are measured from on this computer.
QString footnote(platform::EnergyMethod method, const Format& format);

// A day key of the statistics ("2025-03-01") as the chart labels it ("1 Sat"); a key that is not a
// date of that form is shown as it is.
QString dayLabel(const std::string& dayKey, const Format& format);

// How the application saves energy in this power state under this policy: four or five lines.
QStringList energySavingLines(const ostrel::PowerSnapshot& power, const ostrel::CapturePolicy& policy,
                              const Format& format);

// The storage card's used size against the limit, e.g. "2.15 GB of 10 GB limit".
QString storageUsage(const ostrel::StorageBreakdown& storage, std::int64_t diskCapGB, const Format& format);
// "48,210 moments · 1,302 text-only".
QString storageCounts(const ostrel::StorageBreakdown& storage, const Format& format);
// How far back the memory reaches; none for an empty memory.
std::optional<QString> oldestMemory(const ostrel::StorageBreakdown& storage, const Format& format);
// The pictures still waiting for their text to be read; none when there are none.
std::optional<QString> ocrBacklog(std::int64_t pendingOCR, const Format& format);

} // namespace ResourcesTexts

} // namespace vesperline
