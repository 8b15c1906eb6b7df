#pragma once

#include "Runtime/Delays.h"
#include "Store/Format.h"
#include "UI/Moment/MomentCanvas.h"
#include "UI/Moment/MomentDetailController.h"
#include "UI/Timeline/TimelineScreenController.h"

#include <QWidget>

class QLabel;
class QStackedWidget;
class QToolButton;

namespace vesperline {

class AppIconView;
class DayNavigator;
class EmptyStateView;
class MomentDetail;
class TimelineBar;

namespace platform {
class InstalledApplications;
}

// The timeline: a header with the day navigator and the day's moment count, the shown moment in
// full (its picture, its header and actions), and under it the activity bar and the row of controls
// (previous, replay, next, the moment's time and app, ten minutes back and forth, latest). Before the
// first load it shows a spinner, for a day without moments a message.
//
// It renders its controller and forwards what the user does; the host wires the app's events to
// `controller()`.
class TimelineScreen final : public QWidget {
    Q_OBJECT

  public:
    struct Services {
        // What the moment view needs; its hub and clock are the timeline's too.
        MomentDetailController::Services moment;
        MomentCanvas::Analyze analyze;
        platform::InstalledApplications& applications;
        const Format& format = Format::current();
        Delays& delays = systemDelays();
    };

    explicit TimelineScreen(Services services, QWidget* parent = nullptr);

    TimelineScreenController& controller() { return controller_; }

  protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    QWidget* makePlaybackArea(const Services& services);
    QToolButton* makeButton(const QString& objectName, const QString& symbol, const QString& title,
                            const QKeySequence& key);
    void momentsChanged();
    void positionChanged();
    void playbackChanged();
    void showPicture();

    const Format& format_;
    TimelineScreenController controller_;
    DayNavigator* navigator_;
    QLabel* count_;
    QStackedWidget* pages_;
    QWidget* loadingPage_;
    EmptyStateView* emptyPage_;
    QWidget* momentPage_;
    MomentDetail* detail_;
    TimelineBar* bar_;
    QToolButton* playButton_;
    QLabel* time_;
    AppIconView* appIcon_;
    QLabel* appName_;
};

} // namespace vesperline
