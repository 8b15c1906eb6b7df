#include "UI/Settings/SettingsWindow.h"

#include "UI/Settings/AIPane.h"
#include "UI/Settings/AboutPane.h"
#include "UI/Settings/GeneralPane.h"
#include "UI/Settings/PrivacyPane.h"
#include "UI/Settings/ProjectsPane.h"
#include "UI/Settings/RecordingPane.h"
#include "UI/Settings/SettingsContext.h"
#include "UI/Settings/SettingsForm.h"
#include "UI/Settings/SettingsSelection.h"
#include "UI/Settings/StoragePane.h"
#include "UI/Shared/SidebarList.h"
#include "UI/Shared/WindowPlacement.h"
#include "UI/Theme/Theme.h"

#include <QHBoxLayout>
#include <QScreen>
#include <QVBoxLayout>

namespace vesperline {

namespace {

constexpr int paneMinimumWidth = 520;
constexpr int paneMinimumHeight = 480;

} // namespace

SettingsWindow::SettingsWindow(SettingsContext& context, SettingsSelection& selection, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinimizeButtonHint),
      context_(context), selection_(selection), sidebar_(new SidebarList), title_(new QLabel),
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
    sideLayout->setContentsMargins(0, SidebarList::inset, 0, 0);
    sideLayout->addWidget(sidebar_);
    for (const SettingsTab tab : allSettingsTabs) {
        sidebar_->addRow(title(tab), symbol(tab));
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

    // The user's pick goes to the selection; a click beside the rows changes nothing.
    connect(sidebar_, &SidebarList::picked, this,
            [this](int row) { selection_.setTab(allSettingsTabs[std::size_t(row)]); });
    connect(&selection, &SettingsSelection::tabChanged, this, &SettingsWindow::showTab);
    showTab(selection.tab());
}

void SettingsWindow::showTab(SettingsTab tab) {
    sidebar_->showRow(int(tab));
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
    case SettingsTab::privacy:
        return new PrivacyPane(context_);
    case SettingsTab::storage:
        return new StoragePane(context_);
    case SettingsTab::projects:
        return new ProjectsPane(context_);
    case SettingsTab::ai:
        return new AIPane(context_);
    case SettingsTab::about:
        return new AboutPane(context_);
    }
    return new SettingsForm;
}

void SettingsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!placed_ && screen()) {
        placed_ = true;
        move(screen()->availableGeometry().center() - rect().center());
        WindowPlacement::fitToScreen(*this);
    }
}

} // namespace vesperline
