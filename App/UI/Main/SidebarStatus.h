#pragma once

#include "Capture/RecorderStatus.h"
#include "Store/Format.h"
#include "Support/Time.h"

#include <QWidget>

#include <optional>

class QLabel;
class QToolButton;

namespace vesperline {

class AppModel;
class StatusDot;

// The block at the foot of the main window's sidebar: whether the memory is being recorded (a mint
// dot that pulses while it is, red while moments are not being saved, gray otherwise) and the
// status line, the reason line when there is one, the count of moments kept today, a control to
// pause or resume, and a button that quits the app. It keeps nothing of its own: it shows the app
// model and follows its changes, and its choices call the model's own pause, resume and quit.
class SidebarStatus final : public QWidget {
    Q_OBJECT

  public:
    static constexpr int padding = 10;
    static constexpr double cornerRadius = 10;
    static constexpr double groundOpacity = 0.35;
    static constexpr int statusLines = 2;

    // The control beside the count.
    enum class Control {
        resume,    // a pause runs: "Resume"
        pauseMenu, // recording: the "Pause" menu
        none,      // stopped, locked, asleep or waiting for a permission
    };
    // A pause runs while its stored end lies after `now` or the recorder reports `paused`; otherwise
    // recording (with or without pictures) offers the pause menu, and anything else no control.
    static Control control(const RecorderStatus& status, std::optional<ostrel::Time> pausedUntil,
                           ostrel::Time now);
    // "12 moments today".
    static QString countText(std::int64_t saved, const Format& format);

    // The model must outlive the block.
    explicit SidebarStatus(AppModel& model, QWidget* parent = nullptr);

    Control shownControl() const { return shownControl_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void render();

    AppModel& model_;
    StatusDot* dot_;
    QLabel* status_;
    QLabel* reason_;
    QLabel* count_;
    QToolButton* resume_;
    QToolButton* pause_;
    Control shownControl_ = Control::none;
};

} // namespace vesperline
