#pragma once

#include "UI/Onboarding/OnboardingController.h"

#include <QPixmap>
#include <QWidget>

class QPushButton;
class QVBoxLayout;

namespace vesperline {

class AppModel;

namespace platform {
class Accessibility;
class DisplayCapture;
class InstalledApplications;
} // namespace platform

class ProgressDots;

// The first-run tour's window, "Welcome to Vesperline": the page of the current step over a wash of
// the pastels that fades out by the middle, and a footer with the progress dots, "Skip", "Back" and
// the primary button. Return is the primary button, Escape skips the tour (except on its last
// page, where nothing answers it) and Ctrl+[ goes back.
//
// A plain top-level window, not a dialog, so no key closes it by itself. When the tour ends, the
// window calls its finish and closes; closing it any other way leaves the step stored, and the next
// tour goes on from there. The window manager builds it through `factory` and finishes the
// onboarding in its finish. Main thread only.
class OnboardingWindow final : public QWidget {
    Q_OBJECT

  public:
    static constexpr QSize windowSize{720, 560};

    // What the tour reads of the system; everything must outlive the window.
    struct Services {
        platform::DisplayCapture& capture;
        platform::Accessibility& accessibility;
        platform::InstalledApplications& applications;
        bool trayAvailable = true;
    };

    // The tour over the model's settings and shortcut and the desktop's permissions and applications.
    OnboardingWindow(AppModel& model, Services services, std::function<void()> finish,
                     QWidget* parent = nullptr);
    // A tour over the given services that calls `finish` when it ends.
    OnboardingWindow(OnboardingController::Services services, std::function<void()> finish,
                     QWidget* parent = nullptr);

    // What the window manager builds the tour with: a new window over the model for each tour.
    static std::function<QWidget*(std::function<void()> finish)> factory(AppModel& model, Services services);

    OnboardingController& controller() { return controller_; }
    // The page shown now.
    QWidget* page() const { return page_; }

  signals:
    // The tour ended (skipped or completed), its finish ran and the window is closing; a receiver
    // that disposes of the window does so with deleteLater.
    void finished();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void showStep();
    void followButtons();
    void finishTour();

    std::function<void()> finish_;
    OnboardingController controller_;
    QWidget* pageArea_;
    QVBoxLayout* pageLayout_;
    QWidget* page_ = nullptr;
    ProgressDots* dots_;
    QPushButton* skip_;
    QPushButton* back_;
    QPushButton* primary_;
    QPixmap wash_;
};

} // namespace vesperline
