#pragma once

#include "Runtime/Delays.h"
#include "Runtime/SystemClock.h"
#include "Store/Format.h"
#include "UI/Timeline/MomentPicture.h"
#include "UI/Timeline/TimelineScreenController.h"

#include <QWidget>

class QHBoxLayout;
class QLabel;
class QStackedWidget;
class QToolButton;

namespace vesperline {

class AppIconView;
class EmptyStateView;
class MomentPictureView;
class StoreHub;
class TimelineBar;

namespace platform {
class InstalledApplications;
}

// The timeline: a header with the day's moment count, the shown moment's picture, and under it the
// activity bar and the row of controls (previous, replay, next, the moment's time and app, ten
// minutes back and forth, latest). Before the first load it shows a spinner, for a day without
// moments a message.
//
// It renders its controller and forwards what the user does; the host wires the app's events to
// `controller()` and may put a day navigator at the start of the header.
class TimelineScreen final : public QWidget {
    Q_OBJECT

  public:
    struct Services {
        StoreHub& hub;
        // Decodes the moments' pictures (`MomentPicture::from` the app's frame image loader).
        MomentPicture::Source pictures;
        platform::InstalledApplications& applications;
        const Format& format = Format::current();
        const ostrel::Clock& clock = systemClock();
        Delays& delays = systemDelays();
    };

    explicit TimelineScreen(Services services, QWidget* parent = nullptr);

    TimelineScreenController& controller() { return controller_; }
    // Puts `navigator` at the start of the header, before the moment count.
    void setNavigator(QWidget* navigator);

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
    QHBoxLayout* header_;
    QLabel* count_;
    QStackedWidget* pages_;
    QWidget* loadingPage_;
    EmptyStateView* emptyPage_;
    QWidget* momentPage_;
    MomentPictureView* picture_;
    TimelineBar* bar_;
    QToolButton* playButton_;
    QLabel* time_;
    AppIconView* appIcon_;
    QLabel* appName_;
};

} // namespace vesperline
