#pragma once

#include "Platform/FileViewer.h"
#include "Rules/CapturePolicy.h"
#include "Rules/PowerSnapshot.h"
#include "Runtime/SystemClock.h"
#include "Storage/DayStats.h"
#include "Storage/StorageBreakdown.h"
#include "Store/Format.h"
#include "UI/Resources/ResourcesTexts.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace vesperline {

class AppSettings;
class ResourceMonitor;
class StoreHub;

// What the resources screen shows and does: today's cost in energy, processor time, disk and
// moments, the energy of the last seven days, the storage against the disk limit, and how the
// application saves energy right now; it opens the data folder and starts a maintenance pass.
//
// The week is the screen's own: it is loaded from the store each time the screen comes into view and
// kept until the next time; an answer that arrives after the screen was hidden again is dropped. The
// live figures belong to the application model, which sets them here as they change (see the
// "model's figures" below); the disk limit follows the settings. Main thread only.
class ResourcesController final : public QObject {
    Q_OBJECT

  public:
    // What the screen asks of the application model; both return at once.
    struct ModelActions {
        // Reloads today's statistics, the storage figures and the backlog, which come back through
        // the setters below.
        std::function<void()> refreshStats;
        // Runs one maintenance pass, unless one runs already; its progress comes back through
        // `setMaintenanceRunning`.
        std::function<void()> runMaintenance;
    };

    // One bar of the week's chart.
    struct EnergyBar {
        QString label;
        double wattHours = 0;
        int hue = 0; // position in Theme::hues
        bool operator==(const EnergyBar&) const = default;
    };

    // Everything given must outlive the controller.
    ResourcesController(StoreHub& hub, const AppSettings& settings, const ResourceMonitor& resources,
                        platform::FileViewer& fileViewer, ModelActions actions,
                        const Format& format = Format::current(), const ostrel::Clock& clock = systemClock(),
                        QObject* parent = nullptr);

    // ---- The model's figures: it sets each whenever it changes --------------------------------
    void setToday(const std::optional<ostrel::DayStats>& today);
    void setStorage(const ostrel::StorageBreakdown& storage);
    void setPendingOCR(std::int64_t count);
    void setPowerSnapshot(const ostrel::PowerSnapshot& snapshot);
    void setPolicy(const ostrel::CapturePolicy& policy);
    void setMaintenanceRunning(bool running);

    const std::optional<ostrel::DayStats>& today() const { return today_; }
    const ostrel::StorageBreakdown& storage() const { return storage_; }
    std::int64_t pendingOCR() const { return pendingOCR_; }
    bool maintenanceRunning() const { return maintenanceRunning_; }
    std::int64_t diskCapGB() const;

    // ---- The screen's own state ----------------------------------------------------------------
    // Showing asks the model to refresh its statistics and loads the week; hiding drops a load
    // under way.
    void setShown(bool shown);
    // The statistics of the last seven days that have any, oldest first.
    const std::vector<ostrel::DayStats>& week() const { return week_; }

    // ---- What the screen shows, made from the figures when asked --------------------------------
    // Battery, Processor, Disk, Moments.
    std::array<ResourcesTexts::StatCard, 4> statCards() const;
    QString summary() const;
    QString footnote() const;
    // One bar per day of the week, in order; consecutive days take consecutive hues.
    std::vector<EnergyBar> energyBars() const;
    QStringList energySavingLines() const;
    QString storageUsage() const;
    QString storageCounts() const;
    QString videoSize() const;
    QString textSize() const;
    std::optional<QString> oldestMemory() const;
    std::optional<QString> ocrBacklog() const;

    // ---- What the user does ----------------------------------------------------------------------
    // Brings the file manager forward with the data folder.
    void showDataFolder();
    // Starts a maintenance pass; nothing while one runs.
    void tidyUp();

  signals:
    // A live figure changed.
    void changed();
    // The week was replaced.
    void weekChanged();

  private:
    void load();

    StoreHub& hub_;
    const AppSettings& settings_;
    const ResourceMonitor& resources_;
    platform::FileViewer& fileViewer_;
    ModelActions actions_;
    const Format& format_;
    const ostrel::Clock& clock_;

    std::optional<ostrel::DayStats> today_;
    ostrel::StorageBreakdown storage_;
    std::int64_t pendingOCR_ = 0;
    ostrel::PowerSnapshot power_;
    ostrel::CapturePolicy policy_;
    bool maintenanceRunning_ = false;

    std::vector<ostrel::DayStats> week_;
    bool shown_ = false;
    // Bumped whenever a load under way stops counting, so its late answer is recognised and dropped.
    std::uint64_t generation_ = 0;
};

} // namespace vesperline
