#pragma once

#include "Model/AppModel.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QSplitter;

namespace vesperline {

class SidebarList;
class SidebarStatus;

// The main window: a sidebar listing the five sections (Search, Timeline, Journal, Ask, Resources)
// with the recorder's status block at its foot, beside the screen of the section shown. The section
// is the app model's alone: picking a row sets it, and whatever sets it elsewhere (a search result
// opened in the timeline, a journal hour) moves the highlight and the screen with it. Each change of
// section builds the new section's screen afresh and lets the previous one go with its state, once
// the event that changed the section has been handled. The window's title names the section
// ("Search — Vesperline").
class MainWindow final : public QWidget {
    Q_OBJECT

  public:
    // Builds the screen of a section as a child of `parent`.
    using ScreenFactory = std::function<QWidget*(AppModel::Section section, QWidget* parent)>;

    // The size a new window opens at, and the least it may be made.
    static constexpr QSize defaultSize{1200, 780};
    static constexpr QSize minimumWindowSize{920, 620};
    // The sidebar's width may be dragged between these; it starts at the ideal one.
    static constexpr int sidebarMinimumWidth = 200;
    static constexpr int sidebarIdealWidth = 220;
    static constexpr int sidebarMaximumWidth = 280;
    // The least room a section's screen is given.
    static constexpr QSize detailMinimumSize{640, 520};

    // The section's symbol in the sidebar.
    static QString symbol(AppModel::Section section);
    // "Search — Vesperline": the section's title and the application's name.
    static QString title(AppModel::Section section);

    // The model must outlive the window.
    MainWindow(AppModel& model, ScreenFactory makeScreen, QWidget* parent = nullptr);

    // The screen of the section shown now.
    QWidget* screen() const { return screen_; }

  private:
    void showSection();

    AppModel& model_;
    ScreenFactory makeScreen_;
    SidebarList* sidebar_;
    SidebarStatus* status_;
    QWidget* detail_;
    QPointer<QWidget> screen_;
};

} // namespace vesperline
