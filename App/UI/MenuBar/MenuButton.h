#pragma once

#include <QMenu>
#include <QPointer>
#include <QPushButton>

#include <functional>
#include <vector>

class QLabel;

namespace vesperline {

class SymbolLabel;

// A bordered button with a symbol, a title and a small chevron that pops up a menu of its entries
// just under itself. Each pop-up builds a fresh menu; an entry without an action is a separator
// line, the others are all enabled and run their action when chosen.
class MenuButton final : public QPushButton {
    Q_OBJECT

  public:
    struct Item {
        QString title;
        std::function<void()> action;
    };

    MenuButton(const QString& title, const QString& symbol, std::vector<Item> items,
               QWidget* parent = nullptr);

    // Pops the menu up; it goes away by itself once closed.
    void showMenu();
    // The menu while it is open, else null.
    QMenu* openMenu() const { return menu_; }
    // Where the menu's top-left corner goes, in the button's coordinates: 4 pixels under its
    // bottom-left corner.
    static QPoint popupPoint(const QSize& size) { return {0, size.height() + 4}; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void tint();

    QString symbol_;
    QLabel* title_;
    SymbolLabel* glyph_;
    std::vector<Item> items_;
    QPointer<QMenu> menu_;
};

} // namespace vesperline
