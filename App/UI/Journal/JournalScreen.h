#pragma once

#include "Runtime/SystemClock.h"
#include "Store/Format.h"
#include "UI/Journal/JournalController.h"

#include <QWidget>

class QBoxLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace vesperline {

class ActivityIndicator;
class AppSettings;
class CapsuleBadge;
class DayNavigator;
class EmptyStateView;
class HourChart;
class StoreHub;

namespace platform {
class InstalledApplications;
}

// The journal: the day navigator over one day's summary, its stat tiles, the hour-by-hour chart and
// the lists of projects and apps; a spinner until the first day has loaded, and a message for a day
// without activity. It renders its controller and forwards what the user does; the main window
// places it as its Journal section. Showing it loads the shown day; hiding it drops that load.
class JournalScreen final : public QWidget {
    Q_OBJECT

  public:
    struct Services {
        StoreHub& hub;
        const AppSettings& settings;
        AIService& ai;
        platform::InstalledApplications& applications;
        JournalController::Navigation navigation;
        const Format& format = Format::current();
        const ostrel::Clock& clock = systemClock();
    };

    // The most entries each list shows.
    static constexpr std::size_t listedEntries = 10;

    explicit JournalScreen(Services services, QWidget* parent = nullptr);

    JournalController& controller() { return controller_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    struct List {
        QWidget* rows;
        QVBoxLayout* layout;
        QLabel* hint; // for an empty list, or null
    };

    QWidget* makeSummaryCard();
    QWidget* makeChartCard();
    QWidget* makeListCard(const QString& title, const QString& symbol, const char* name, List& list,
                          const QString& hint);
    void renderLog();
    void renderSummary();
    void renderTiles();
    void renderList(List& list, const std::vector<ostrel::WorkLogEntry>& entries, bool projects);

    platform::InstalledApplications& applications_;
    const Format& format_;
    JournalController controller_;
    DayNavigator* navigator_;
    QWidget* loading_;
    EmptyStateView* empty_;
    QWidget* content_;
    CapsuleBadge* badge_ = nullptr;
    ActivityIndicator* progress_ = nullptr;
    QPushButton* summarize_ = nullptr;
    QLabel* summaryText_ = nullptr;
    QBoxLayout* tiles_ = nullptr;
    HourChart* chart_ = nullptr;
    List projects_{};
    List apps_{};
};

} // namespace vesperline
