#pragma once

#include <QWidget>

#include <array>
#include <vector>

class QChartView;
class QLabel;
class QPushButton;
class QScrollArea;

namespace vesperline {

class ActivityIndicator;
class ResourcesController;
class StorageBar;

// The resources screen: a page of five cards (today's cost in one sentence, the four figure cards,
// the energy of the last seven days, the storage, and how the application saves energy right now).
// It renders its controller and forwards the user's clicks to it; the main window places it as it
// is. Showing it asks the controller to load; hiding it drops that load.
class ResourcesScreen final : public QWidget {
    Q_OBJECT

  public:
    // Takes the controller as its child.
    explicit ResourcesScreen(ResourcesController* controller, QWidget* parent = nullptr);

    ResourcesController& controller() const { return *controller_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    struct StatCardLabels {
        QLabel* title;
        QLabel* value;
        QLabel* detail;
    };
    struct EnergyLine {
        QWidget* row;
        QLabel* text;
    };

    QWidget* makeHeaderCard();
    QWidget* makeStatGrid();
    QWidget* makeChartCard();
    QWidget* makeStorageCard();
    QWidget* makeEnergyCard();

    // Shows the controller's live figures.
    void render();
    // Draws the week's chart again.
    void renderChart();
    void drawButtonSymbols();

    ResourcesController* controller_;
    QLabel* summary_ = nullptr;
    QLabel* footnote_ = nullptr;
    std::array<StatCardLabels, 4> statCards_{};
    QLabel* noData_ = nullptr;
    QChartView* chart_ = nullptr;
    StorageBar* storageBar_ = nullptr;
    QLabel* storageUsage_ = nullptr;
    QLabel* videoSize_ = nullptr;
    QLabel* textSize_ = nullptr;
    QLabel* storageCounts_ = nullptr;
    QLabel* oldestMemory_ = nullptr;
    QPushButton* tidyUp_ = nullptr;
    ActivityIndicator* maintenanceIndicator_ = nullptr;
    QLabel* ocrBacklog_ = nullptr;
    std::vector<EnergyLine> energyLines_;
};

} // namespace vesperline
