#include "UI/MenuBar/MenuButton.h"

#include "UI/Shared/PageParts.h"
#include "UI/Shared/SymbolLabel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionButton>

namespace vesperline {

MenuButton::MenuButton(const QString& title, const QString& symbol, std::vector<Item> items, QWidget* parent)
    : QPushButton(parent), symbol_(symbol), title_(PageParts::textLabel(Theme::TextStyle::body)),
      glyph_(new SymbolLabel(symbol, Theme::TextStyle::body, Theme::Level::primary)),
      items_(std::move(items)) {
    setAccessibleName(title);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The label is laid out over the bezel: the symbol and the title centred, the chevron after them.
    QHBoxLayout* layout = PageParts::row(this, 5);
    layout->setContentsMargins(10, 0, 10, 0);
    layout->addStretch(1);
    layout->addWidget(glyph_);
    title_->setText(title);
    layout->addWidget(title_);
    auto* chevron = new SymbolLabel("chevron.down", Theme::TextStyle::caption2, Theme::Level::secondary);
    layout->addWidget(chevron);
    layout->addStretch(1);
    for (QWidget* child : findChildren<QWidget*>()) {
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    connect(this, &QPushButton::clicked, this, &MenuButton::showMenu);
}

void MenuButton::changeEvent(QEvent* event) {
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        tint();
    }
}

void MenuButton::tint() {
    // The label lies over the bezel, so it shows being disabled itself.
    const Theme::Level level = isEnabled() ? Theme::Level::primary : Theme::Level::tertiary;
    Theme::applyText(title_, Theme::TextStyle::body, level);
    glyph_->setSymbol(symbol_, level);
}

QSize MenuButton::sizeHint() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    const QSize content = layout()->sizeHint();
    return style()->sizeFromContents(QStyle::CT_PushButton, &option, content, this);
}

QSize MenuButton::minimumSizeHint() const {
    return sizeHint();
}

void MenuButton::showMenu() {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const Item& item : items_) {
        if (!item.action) {
            menu->addSeparator();
            continue;
        }
        menu->addAction(item.title, this, item.action);
    }
    menu_ = menu;
    menu->popup(mapToGlobal(popupPoint(size())));
}

} // namespace vesperline
