#include "UI/Settings/SettingsWindow.h"

#include "UI/Settings/GeneralPane.h"
#include "UI/Settings/RecordingPane.h"
#include "UI/Settings/SettingsContext.h"
#include "UI/Settings/SettingsForm.h"
#include "UI/Settings/SettingsSelection.h"
#include "UI/Settings/StoragePane.h"
#include "UI/Theme/Symbols.h"
#include "UI/Theme/Theme.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace vesperline {

namespace {

constexpr int paneMinimumWidth = 520;
constexpr int paneMinimumHeight = 480;
constexpr int sidebarIconSide = 16;
constexpr int sidebarRowHeight = 30;
constexpr int sidebarInset = 8;
constexpr double sidebarCornerRadius = 6;

// A sidebar row: the tab's symbol and title, on a rounded highlight while selected.
class SidebarDelegate final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), sidebarRowHeight};
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        const QRectF area = QRectF(option.rect).adjusted(sidebarInset, 1, -sidebarInset, -1);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (selected) {
            QPainterPath ground;
            ground.addRoundedRect(area, sidebarCornerRadius, sidebarCornerRadius);
            painter->fillPath(ground, option.palette.color(QPalette::Highlight));
        }
        const QColor text = option.palette.color(selected ? QPalette::HighlightedText : QPalette::WindowText);
        const QRect iconArea(int(area.left()) + 8, option.rect.center().y() - sidebarIconSide / 2 + 1,
                             sidebarIconSide, sidebarIconSide);
        const QString name = index.data(Qt::UserRole).toString();
        painter->drawPixmap(
            iconArea, Symbols::pixmap(name, sidebarIconSide, text, painter->device()->devicePixelRatioF()));
        painter->setPen(text);
        painter->setFont(option.font);
        const QRect textArea = option.rect.adjusted(iconArea.right() + 8, 0, -sidebarInset, 0);
        painter->drawText(textArea, Qt::AlignVCenter | Qt::AlignLeft, index.data(Qt::DisplayRole).toString());
        painter->restore();
    }
};

} // namespace

SettingsWindow::SettingsWindow(SettingsContext& context, SettingsSelection& selection, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinimizeButtonHint),
      context_(context), selection_(selection), sidebar_(new QListWidget), title_(new QLabel),
      detail_(new QWidget) {
    setObjectName("settingsWindow");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Vesperline Settings"));
    setFixedSize(width, height);

    sidebar_->setObjectName("settingsSidebar");
    sidebar_->setFixedWidth(sidebarWidth);
    // The list's ground reaches the window's edges; its rows start a little below the top.
    auto* side = new QWidget;
    side->setObjectName("settingsSide");
    side->setFixedWidth(sidebarWidth);
    side->setBackgroundRole(QPalette::Base);
    side->setAutoFillBackground(true);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, sidebarInset, 0, 0);
    sideLayout->addWidget(sidebar_);
    sidebar_->setFrameShape(QFrame::NoFrame);
    sidebar_->setSelectionMode(QAbstractItemView::SingleSelection);
    sidebar_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sidebar_->setItemDelegate(new SidebarDelegate(sidebar_));
    sidebar_->setFocusPolicy(Qt::TabFocus);
    Theme::applyText(sidebar_, Theme::TextStyle::body);
    for (const SettingsTab tab : allSettingsTabs) {
        auto* item = new QListWidgetItem(title(tab), sidebar_);
        item->setData(Qt::UserRole, symbol(tab));
    }

    title_->setObjectName("paneTitle");
    title_->setTextFormat(Qt::PlainText);
    Theme::applyText(title_, Theme::TextStyle::title2, Theme::Level::primary, QFont::DemiBold);
    title_->setContentsMargins(Theme::pagePadding, Theme::pagePadding - 4, Theme::pagePadding, 8);
    detail_->setMinimumSize(paneMinimumWidth, paneMinimumHeight);
    auto* detailLayout = new QVBoxLayout(detail_);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->setSpacing(0);
    detailLayout->addWidget(title_);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(side);
    layout->addWidget(detail_, 1);

    // The user's pick goes to the selection; a click that clears the list's selection changes nothing.
    connect(sidebar_, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> picked = sidebar_->selectedItems();
        if (picked.isEmpty()) {
            const QSignalBlocker blocker(sidebar_);
            sidebar_->setCurrentRow(int(selection_.tab()));
            return;
        }
        selection_.setTab(allSettingsTabs[std::size_t(sidebar_->row(picked.front()))]);
    });
    connect(&selection, &SettingsSelection::tabChanged, this, &SettingsWindow::showTab);
    showTab(selection.tab());
}

void SettingsWindow::showTab(SettingsTab tab) {
    {
        const QSignalBlocker blocker(sidebar_);
        sidebar_->setCurrentRow(int(tab));
    }
    title_->setText(title(tab));
    // The pane left behind goes with everything it held.
    delete pane_;
    pane_ = makePane(tab);
    pane_->setObjectName(QString::fromLatin1(rawValue(tab).data()) + "Pane");
    detail_->layout()->addWidget(pane_);
    // Shown with the window now rather than on a later turn of the event loop.
    pane_->show();
}

QWidget* SettingsWindow::makePane(SettingsTab tab) {
    switch (tab) {
    case SettingsTab::general:
        return new GeneralPane(context_);
    case SettingsTab::recording:
        return new RecordingPane(context_.settings());
    case SettingsTab::storage:
        return new StoragePane(context_);
    case SettingsTab::privacy:
    case SettingsTab::projects:
    case SettingsTab::ai:
    case SettingsTab::about:
        break;
    }
    return new SettingsForm;
}

void SettingsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!placed_ && screen()) {
        placed_ = true;
        move(screen()->availableGeometry().center() - rect().center());
    }
}

} // namespace vesperline
