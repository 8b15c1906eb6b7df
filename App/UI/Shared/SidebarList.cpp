#include "UI/Shared/SidebarList.h"

#include "UI/Theme/Symbols.h"
#include "UI/Theme/Theme.h"

#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

namespace vesperline {

namespace {

constexpr int iconSide = 16;
constexpr double cornerRadius = 6;

// A row: the symbol and the title, on a rounded highlight while selected.
class SidebarDelegate final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), SidebarList::rowHeight};
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        const QRectF area = QRectF(option.rect).adjusted(SidebarList::inset, 1, -SidebarList::inset, -1);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (selected) {
            QPainterPath ground;
            ground.addRoundedRect(area, cornerRadius, cornerRadius);
            painter->fillPath(ground, option.palette.color(QPalette::Highlight));
        }
        const QColor text = option.palette.color(selected ? QPalette::HighlightedText : QPalette::WindowText);
        const QRect iconArea(int(area.left()) + 8, option.rect.center().y() - iconSide / 2 + 1, iconSide,
                             iconSide);
        const QString name = index.data(Qt::UserRole).toString();
        painter->drawPixmap(iconArea,
                            Symbols::pixmap(name, iconSide, text, painter->device()->devicePixelRatioF()));
        painter->setPen(text);
        painter->setFont(option.font);
        const QRect textArea = option.rect.adjusted(iconArea.right() + 8, 0, -SidebarList::inset, 0);
        painter->drawText(textArea, Qt::AlignVCenter | Qt::AlignLeft, index.data(Qt::DisplayRole).toString());
        painter->restore();
    }
};

} // namespace

SidebarList::SidebarList(QWidget* parent) : QListWidget(parent) {
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setItemDelegate(new SidebarDelegate(this));
    setFocusPolicy(Qt::TabFocus);
    Theme::applyText(this, Theme::TextStyle::body);
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> selected = selectedItems();
        if (selected.isEmpty()) {
            // A click beside the rows: the row shown stays selected.
            showRow(shown_);
            return;
        }
        emit picked(row(selected.front()));
    });
}

void SidebarList::addRow(const QString& title, const QString& symbol) {
    auto* item = new QListWidgetItem(title, this);
    item->setData(Qt::UserRole, symbol);
}

void SidebarList::showRow(int row) {
    shown_ = row;
    const QSignalBlocker blocker(this);
    setCurrentRow(row);
}

} // namespace vesperline
