#include "UI/Resources/ResourcesTexts.h"

#include "Store/Format.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace vesperline::ResourcesTexts {

namespace {

constexpr double secondsPerHour = 3600;

QString tr(const char* text) {
    return QCoreApplication::translate("ResourcesScreen", text);
}

// A count as plain digits, without grouping.
QString digits(std::int64_t count) {
    return QString::number(count);
}

ostrel::DayStats orZero(const std::optional<ostrel::DayStats>& today) {
    return today.value_or(ostrel::DayStats{});
}

} // namespace

std::optional<double> batteryShare(const std::optional<ostrel::DayStats>& today,
                                   std::optional<double> batteryWh) {
    if (!today || !batteryWh || !(*batteryWh > 0)) {
        return std::nullopt;
    }
    return today->energyJoules / (*batteryWh * secondsPerHour);
}

StatCard battery(const std::optional<ostrel::DayStats>& today, std::optional<double> batteryWh,
                 const Format& format) {
    const std::optional<double> share = batteryShare(today, batteryWh);
    return {tr("Battery"), QStringLiteral("battery.75percent"),
            share ? QStringLiteral("~") + format.percent(*share) : QStringLiteral("\u2014"),
            tr("%1 Wh today").arg(format.decimal(2, orZero(today).energyJoules / secondsPerHour))};
}

StatCard processor(const std::optional<ostrel::DayStats>& today, double secondsToday, const Format& format) {
    const double cpuSeconds = orZero(today).cpuSeconds;
    return {tr("Processor"), QStringLiteral("cpu"), format.percent(cpuSeconds / std::max(secondsToday, 60.0)),
            tr("average today · %1 s of CPU time").arg(QString::number(std::trunc(cpuSeconds), 'f', 0))};
}

StatCard disk(const ostrel::StorageBreakdown& storage, std::int64_t diskCapGB, const Format& format) {
    return {tr("Disk"), QStringLiteral("internaldrive"), format.bytes(storage.totalBytes()),
            tr("Limit %1 GB").arg(digits(diskCapGB))};
}

StatCard moments(const std::optional<ostrel::DayStats>& today, const Format& format) {
    const ostrel::DayStats day = orZero(today);
    return {tr("Moments"), QStringLiteral("camera.viewfinder"), digits(day.framesSaved),
            format.plural(tr("{0, plural, one {# duplicate skipped} other {# duplicates skipped}} · "
                             "{1, plural, one {# text read} other {# text reads}}"),
                          {day.framesSkipped, day.ocrRuns})};
}

QString summary(const std::optional<ostrel::DayStats>& today, std::optional<double> batteryWh,
                const ostrel::StorageBreakdown& storage, const Format& format) {
    const QString size = format.bytes(storage.totalBytes());
    if (const std::optional<double> share = batteryShare(today, batteryWh)) {
        return tr("Today Vesperline used about %1 of your battery. Your memory takes %2 on disk.")
            .arg(format.percent(*share), size);
    }
    return tr("Today Vesperline used %1 Wh of energy. Your memory takes %2 on disk.")
        .arg(format.decimal(2, orZero(today).energyJoules / secondsPerHour), size);
}

QString footnote(platform::EnergyMethod method, const Format& format) {
    switch (method) {
    case platform::EnergyMethod::measured:
        return tr("Measured from the processor's energy counter, shared out by the Vesperline process's part "
                  "of the processor time (the display server's own screen capture work is not included).");
    case platform::EnergyMethod::estimated:
        break;
    }
    return tr("Estimated from the Vesperline process's processor time at a nominal %1 W, as this computer's "
              "energy counter cannot be read (the display server's own screen capture work is not included).")
        .arg(format.decimal(0, platform::nominalProcessorWatts));
}

QString dayLabel(const std::string& dayKey, const Format& format) {
    static const QRegularExpression keyForm(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
    const QString key = QString::fromStdString(dayKey);
    const QRegularExpressionMatch parts = keyForm.match(key);
    if (!parts.hasMatch()) {
        return key;
    }
    const QString label =
        format.weekdayDay(parts.captured(1).toInt(), parts.captured(2).toInt(), parts.captured(3).toInt());
    return label.isEmpty() ? key : label;
}

QStringList energySavingLines(const ostrel::PowerSnapshot& power, const ostrel::CapturePolicy& policy,
                              const Format& format) {
    QStringList lines;
    if (power.onBattery) {
        const QString level =
            power.batteryLevel
                ? QStringLiteral(" (") + format.percent(*power.batteryLevel) + QStringLiteral(")")
                : QString();
        lines << tr("On battery%1: recording less often, heavy work waits for power.").arg(level);
    } else {
        lines << tr("On power: full quality, maintenance allowed.");
    }
    lines << tr("The screen is only checked when something changes; idle screens cost nothing.");
    lines << (policy.ocrNow ? tr("Text in images is read immediately.")
                            : tr("Reading text from images is postponed until you're plugged in."));
    if (!policy.captureImages) {
        lines << tr("Only text is being saved (Low Power Mode, low battery or heat).");
    }
    lines << tr("Videos and video calls are recorded rarely.");
    return lines;
}

QString storageUsage(const ostrel::StorageBreakdown& storage, std::int64_t diskCapGB, const Format& format) {
    return tr("%1 of %2 GB limit").arg(format.bytes(storage.totalBytes()), digits(diskCapGB));
}

QString storageCounts(const ostrel::StorageBreakdown& storage, const Format& format) {
    return format.plural(tr("{0, plural, one {# moment} other {# moments}} · {1, number} text-only"),
                         {storage.frameCount, storage.textOnlyCount});
}

std::optional<QString> oldestMemory(const ostrel::StorageBreakdown& storage, const Format& format) {
    if (!storage.oldest) {
        return std::nullopt;
    }
    return tr("Memory goes back to %1.").arg(format.mediumDate(*storage.oldest));
}

std::optional<QString> ocrBacklog(std::int64_t pendingOCR, const Format& format) {
    if (pendingOCR <= 0) {
        return std::nullopt;
    }
    return format.plural(tr("{0, plural, one {# image waiting for text reading (runs on power)} "
                            "other {# images waiting for text reading (runs on power)}}"),
                         {pendingOCR});
}

} // namespace vesperline::ResourcesTexts
