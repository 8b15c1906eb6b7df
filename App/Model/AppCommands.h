#pragma once

#include <QList>
#include <QObject>

#include <functional>

class QAction;

namespace vesperline {

class AppWindows;

// The application's commands, in this order: "Settings…" (Ctrl+,), "How It Works" and "Quick Search"
// (Ctrl+K). Each reaches its window through the window manager and does nothing while there is none.
// This platform has no updater, so "Check for Updates…" is never among them.
//
// The shortcuts work wherever the application has the keyboard: the commands are added to every
// ordinary window and tool window of the application as it is shown (dialogs and popups excepted).
// Main thread.
class AppCommands final : public QObject {
    Q_OBJECT

  public:
    explicit AppCommands(std::function<AppWindows*()> windows, QObject* parent = nullptr);
    ~AppCommands() override;

    const QList<QAction*>& actions() const { return actions_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QAction* add(const QString& title, const QString& objectName, const QKeySequence& shortcut,
                 std::function<void(AppWindows&)> command);

    std::function<AppWindows*()> windows_;
    QList<QAction*> actions_;
};

} // namespace vesperline
