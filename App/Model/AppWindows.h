#pragma once

#include <QObject>

#include <functional>

namespace vesperline {

// What the app model asks of the application's windows: the window manager implements it and
// registers itself with `AppModel::setWindows`. The model holds it weakly (it may be destroyed first)
// and only calls it on the main thread.
class AppWindows : public QObject {
  public:
    using QObject::QObject;

    // Shows the quick-search panel, or hides it when it is shown (the global hot key).
    virtual void toggleQuickSearch() = 0;
    // Hides the quick-search panel if it is shown (the screen locks, the screen saver starts, the
    // session is switched away).
    virtual void hideQuickSearch() = 0;
    // Shows the main window, after the app lock when it is on; the window shows the model's
    // `section` and takes its `timelineRequest` and `searchSeed` itself.
    virtual void openMain() = 0;
    // Shows the settings window at the tab it shows already, after the app lock when it is on.
    virtual void openSettings() = 0;
    // Shows the first-run tour; `restart` starts it at its first page when no tour is open, else
    // it goes on at the page where it was left.
    virtual void showOnboarding(bool restart) = 0;

    // Called when the user closes the main window (not when the application's end closes it).
    std::function<void()> onMainWindowClosed;
    // Called once a newly made main window's first frame is on screen.
    std::function<void()> onMainWindowDrawn;
};

} // namespace vesperline
