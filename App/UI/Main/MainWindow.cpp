#include "UI/Main/MainWindow.h"

#include "SharedKit/AppInfo.h"
#include "UI/Main/SidebarStatus.h"
#include "UI/Shared/SidebarList.h"

#include <QSplitter>
#include <QVBoxLayout>

namespace vesperline {

QString MainWindow::symbol(AppModel::Section section) {
    switch (section) {
    case AppModel::Section::search:
        return "magnifyingglass";
    case AppModel::Section::timeline:
        return "clock.arrow.circlepath";
    case AppModel::Section::journal:
        return "calendar.day.timeline.left";
    case AppModel::Section::ask:
        return "text.bubble";
    case AppModel::Section::resources:
        return "gauge.with.dots.needle.33percent";
    }
    return {};
}

QString MainWindow::title(AppModel::Section section) {
    return tr("%1 — %2").arg(AppModel::title(section), AppInfo::name());
}

MainWindow::MainWindow(AppModel& model, ScreenFactory makeScreen, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model), makeScreen_(std::move(makeScreen)) {
    setObjectName("mainWindow");
    setMinimumSize(minimumWindowSize);
    resize(defaultSize);

    // The sidebar: the sections, and under them the status block, which never scrolls away.
    auto* side = new QWidget;
    side->setObjectName("mainSidebar");
    side->setMinimumWidth(sidebarMinimumWidth);
    side->setMaximumWidth(sidebarMaximumWidth);
    side->setBackgroundRole(QPalette::Base);
    side->setAutoFillBackground(true);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, SidebarList::inset, 0, 0);
    sideLayout->setSpacing(0);
    sidebar_ = new SidebarList;
    sidebar_->setObjectName("sectionList");
    for (const AppModel::Section section : AppModel::allSections()) {
        sidebar_->addRow(AppModel::title(section), symbol(section));
    }
    sideLayout->addWidget(sidebar_, 1);
    status_ = new SidebarStatus(model_);
    auto* foot = new QVBoxLayout;
    foot->setContentsMargins(SidebarStatus::padding, SidebarStatus::padding, SidebarStatus::padding,
                             SidebarStatus::padding);
    foot->addWidget(status_);
    sideLayout->addLayout(foot);

    detail_ = new QWidget;
    detail_->setObjectName("mainDetail");
    detail_->setMinimumSize(detailMinimumSize);
    auto* detailLayout = new QVBoxLayout(detail_);
    detailLayout->setContentsMargins(0, 0, 0, 0);

    auto* split = new QSplitter(Qt::Horizontal);
    split->setObjectName("mainSplit");
    split->setChildrenCollapsible(false);
    split->addWidget(side);
    split->addWidget(detail_);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setSizes({sidebarIdealWidth, defaultSize.width() - sidebarIdealWidth});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);

    connect(sidebar_, &SidebarList::picked, this,
            [this](int row) { model_.setSection(AppModel::allSections()[std::size_t(row)]); });
    connect(&model_, &AppModel::sectionChanged, this, &MainWindow::showSection);
    showSection();
}

void MainWindow::showSection() {
    const AppModel::Section section = model_.section();
    const auto& sections = AppModel::allSections();
    sidebar_->showRow(int(std::find(sections.begin(), sections.end(), section) - sections.begin()));
    setWindowTitle(title(section));
    // The screen left behind goes with its own state; the new one starts afresh. The change may come
    // from inside the old screen's own event (a click on one of its rows), which Qt is still
    // delivering: it goes once that is done.
    if (screen_) {
        detail_->layout()->removeWidget(screen_);
        screen_->hide();
        screen_->deleteLater();
    }
    screen_ = makeScreen_(section, detail_);
    detail_->layout()->addWidget(screen_);
    screen_->show();
}

} // namespace vesperline
