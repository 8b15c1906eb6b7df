#include "Model/AppCommands.h"

#include "Model/AppWindows.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QKeySequence>
#include <QMenu>
#include <QWidget>

namespace vesperline {

AppCommands::AppCommands(std::function<AppWindows*()> windows, std::function<void()> quit, QObject* parent)
    : QObject(parent), windows_(std::move(windows)) {
    addWindowCommand(tr("Settings…"), "settingsCommand", QKeySequence(Qt::CTRL | Qt::Key_Comma),
                     [](AppWindows& windows) { windows.openSettings(); });
    addWindowCommand(tr("How It Works"), "howItWorksCommand", {},
                     [](AppWindows& windows) { windows.showOnboarding(true); });
    addWindowCommand(tr("Quick Search"), "quickSearchCommand", QKeySequence(Qt::CTRL | Qt::Key_K),
                     [](AppWindows& windows) { windows.toggleQuickSearch(); });
    add(tr("Quit Vesperline"), "quitCommand", QKeySequence(Qt::CTRL | Qt::Key_Q), std::move(quit));
    qApp->installEventFilter(this);
}

AppCommands::~AppCommands() {
    qApp->removeEventFilter(this);
}

QAction* AppCommands::add(const QString& title, const QString& objectName, const QKeySequence& shortcut,
                          std::function<void()> command) {
    auto* action = new QAction(title, this);
    action->setObjectName(objectName);
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [command = std::move(command)] {
        if (command) {
            command();
        }
    });
    actions_.append(action);
    return action;
}

QAction* AppCommands::addWindowCommand(const QString& title, const QString& objectName,
                                       const QKeySequence& shortcut,
                                       std::function<void(AppWindows&)> command) {
    return add(title, objectName, shortcut, [this, command = std::move(command)] {
        if (AppWindows* windows = windows_ ? windows_() : nullptr) {
            command(*windows);
        }
    });
}

bool AppCommands::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        const Qt::WindowType type = widget->windowType();
        const bool takesCommands =
            type == Qt::Window || type == Qt::Tool || (type == Qt::Popup && !qobject_cast<QMenu*>(widget));
        if (widget->isWindow() && takesCommands && !widget->actions().contains(actions_.first())) {
            widget->addActions(actions_);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vesperline
