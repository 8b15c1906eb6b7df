#pragma once

#include <QList>
#include <QObject>

#include <functional>

class QAction;

namespace vesperline {

class AppWindows;

// The application's commands, in this order: "Settings…" (Ctrl+,), "How It Works", "Quick Search"
// (Ctrl+K) and "Quit Vesperline" (Ctrl+Q). The first three reach their window through the window
// manager and do nothing while there is none; the last ends the application. This platform has no
// updater, so "Check for Updates…" is never among them.
//
// The shortcuts work wherever the application has the keyboard: the commands are added to every
// ordinary window, tool window and popup of the application as it is shown (the tray's popover among
// them; dialogs, and menus, whose actions are their entries, excepted). Main thread.
class AppCommands final : public QObject {
    Q_OBJECT

  public:
    // `quit` ends the application through its normal quit.
    AppCommands(std::function<AppWindows*()> windows, std::function<void()> quit, QObject* parent = nullptr);
    ~AppCommands() override;

    const QList<QAction*>& actions() const { return actions_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QAction* add(const QString& title, const QString& objectName, const QKeySequence& shortcut,
                 std::function<void()> command);
    QAction* addWindowCommand(const QString& title, const QString& objectName, const QKeySequence& shortcut,
                              std::function<void(AppWindows&)> command);

    std::function<AppWindows*()> windows_;
    QList<QAction*> actions_;
};

} // namespace vesperline
