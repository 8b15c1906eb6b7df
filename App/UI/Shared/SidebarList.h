#pragma once

#include <QListWidget>

namespace vesperline {

// The list of a window's sidebar: one row per place, its symbol and title, on a rounded highlight
// while selected; no frame, one row selected at a time, the body text style. A click on the blank
// area below the rows clears no selection: the list says so by `picked` only for a real row, and
// keeps the row it had.
class SidebarList final : public QListWidget {
    Q_OBJECT

  public:
    static constexpr int rowHeight = 30;
    static constexpr int inset = 8;

    explicit SidebarList(QWidget* parent = nullptr);

    // Adds a row with `title` and the symbol `symbol` (a name of the symbol table).
    void addRow(const QString& title, const QString& symbol);
    // Selects `row` without telling `picked`: the row the window shows.
    void showRow(int row);

  signals:
    // The user picked the row `row`.
    void picked(int row);

  private:
    int shown_ = -1;
};

} // namespace vesperline
