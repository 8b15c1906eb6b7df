#pragma once

#include <QAction>
#include <QKeySequence>

#include <functional>

namespace vesperline {

// A menu item that runs a function when chosen; it keeps the function for as long as it lives.
class ActionMenuItem final : public QAction {
    Q_OBJECT

  public:
    ActionMenuItem(const QString& title, const QKeySequence& keyEquivalent, std::function<void()> handler,
                   QObject* parent = nullptr);

    // Calls the handler; choosing the item does this.
    void run();

  private:
    std::function<void()> handler_;
};

} // namespace vesperline
