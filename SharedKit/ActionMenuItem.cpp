#include "SharedKit/ActionMenuItem.h"

namespace vesperline {

ActionMenuItem::ActionMenuItem(const QString& title, const QKeySequence& keyEquivalent,
                               std::function<void()> handler, QObject* parent)
    : QAction(title, parent), handler_(std::move(handler)) {
    setShortcut(keyEquivalent);
    connect(this, &QAction::triggered, this, &ActionMenuItem::run);
}

void ActionMenuItem::run() {
    if (handler_) {
        handler_();
    }
}

} // namespace vesperline
