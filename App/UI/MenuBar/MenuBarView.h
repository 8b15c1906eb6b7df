#pragma once

#include "Model/StatusItem.h"
#include "UI/MenuBar/MenuBarController.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace vesperline {

class ActivityIndicator;
class AppIconView;
class ElidedLabel;
class MenuButton;
class Metric;
class StatusDot;
class SymbolText;

namespace platform {
class InstalledApplications;
}

// The content of the tray icon's popover, a column 340 pixels wide: the app's mark with what the
// recorder does, why nothing is kept or the last moment kept, what needs doing first, a field that
// opens quick search, today's figures, pause and forget, and the way into every window. It follows
// the model while it shows. Main thread only.
class MenuBarView final : public QWidget {
    Q_OBJECT

  public:
    static constexpr int width = 340;

    // What the view needs besides the model; everything must outlive it.
    struct Services {
        MenuBarController::Services controller;
        // The icons of applications.
        platform::InstalledApplications& applications;
    };

    MenuBarView(AppModel& model, Services services, std::function<void()> close, QWidget* parent = nullptr);

    // What the status item builds each time its popover opens.
    static StatusItem::ContentFactory contentFactory(AppModel& model, Services services);

    MenuBarController& controller() { return controller_; }

  private:
    void follow();
    void followDeletion();
    QWidget* makeHeader();
    QWidget* makeStatusBlock();
    QWidget* makeSearchField();
    QWidget* makeFigures();
    QWidget* makePauseRow();
    QWidget* makeConfirmation();
    QWidget* makeNavigation();

    Services services_;
    MenuBarController controller_;
    StatusDot* dot_ = nullptr;
    ElidedLabel* status_ = nullptr;
    SymbolText* skip_ = nullptr;
    QWidget* lastMoment_ = nullptr;
    AppIconView* lastIcon_ = nullptr;
    ElidedLabel* lastText_ = nullptr;
    QWidget* permissionCard_ = nullptr;
    QPushButton* finishSetup_ = nullptr;
    QWidget* keyHintSlot_ = nullptr;
    QWidget* keyHint_ = nullptr;
    std::optional<QString> keyHintText_;
    Metric* moments_ = nullptr;
    Metric* disk_ = nullptr;
    Metric* energy_ = nullptr;
    SymbolText* finds_ = nullptr;
    QPushButton* resume_ = nullptr;
    MenuButton* pause_ = nullptr;
    QWidget* confirmation_ = nullptr;
    QLabel* question_ = nullptr;
    ActivityIndicator* spinner_ = nullptr;
    QPushButton* delete_ = nullptr;
};

} // namespace vesperline
