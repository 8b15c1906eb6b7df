#include "Model/AppCommands.h"

#include "Model/AppWindows.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QKeySequence>
#include <QWidget>

namespace vesperline {

AppCommands::AppCommands(std::function<AppWindows*()> windows, QObject* parent)
    : QObject(parent), windows_(std::move(windows)) {
    add(tr("Settings…"), "settingsCommand", QKeySequence(Qt::CTRL | Qt::Key_Comma),
        [](AppWindows& windows) { windows.openSettings(); });
    add(tr("How It Works"), "howItWorksCommand", {},
        [](AppWindows& windows) { windows.showOnboarding(true); });
    add(tr("Quick Search"), "quickSearchCommand", QKeySequence(Qt::CTRL | Qt::Key_K),
        [](AppWindows& windows) { windows.toggleQuickSearch(); });
    qApp->installEventFilter(this);
}

AppCommands::~AppCommands() {
    qApp->removeEventFilter(this);
}

QAction* AppCommands::add(const QString& title, const QString& objectName, const QKeySequence& shortcut,
                          std::function<void(AppWindows&)> command) {
    auto* action = new QAction(title, this);
    action->setObjectName(objectName);
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [this, command = std::move(command)] {
        if (AppWindows* windows = windows_ ? windows_() : nullptr) {
            command(*windows);
        }
    });
    actions_.append(action);
    return action;
}

bool AppCommands::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        const Qt::WindowType type = widget->windowType();
        if (widget->isWindow() && (type == Qt::Window || type == Qt::Tool) &&
            !widget->actions().contains(actions_.first())) {
            widget->addActions(actions_);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vesperline
