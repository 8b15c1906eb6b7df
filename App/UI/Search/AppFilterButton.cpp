#include "UI/Search/AppFilterButton.h"

#include "Model/SearchModel.h"
#include "UI/Theme/Symbols.h"

#include <QMenu>

namespace vesperline {

AppFilterButton::AppFilterButton(SearchModel& model, Items items, QWidget* parent)
    : QToolButton(parent), model_(model), items_(std::move(items)) {
    setObjectName("appFilter");
    setIcon(Symbols::icon("app.badge"));
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setAutoRaise(true);
    setPopupMode(QToolButton::InstantPopup);
    menu_ = new QMenu(this);
    menu_->setObjectName("appFilterMenu");
    setMenu(menu_);
    connect(&model_, &SearchModel::appFilterChanged, this, &AppFilterButton::showApps);
    connect(&model_, &SearchModel::appsChanged, this, &AppFilterButton::showApps);
    showApps();
}

void AppFilterButton::showApps() {
    setText(SearchTexts::appFilterTitle(model_.appFilter(), model_.apps()));
    menu_->clear();
    connect(menu_->addAction(SearchTexts::allApps()), &QAction::triggered, &model_,
            [this] { model_.setAppFilter(std::nullopt); });
    menu_->addSeparator();
    for (const SearchTexts::AppItem& item : items_()) {
        connect(menu_->addAction(item.title), &QAction::triggered, &model_,
                [this, bundleID = item.bundleID] { model_.setAppFilter(bundleID); });
    }
}

} // namespace vesperline
