#pragma once

#include "UI/Search/SearchTexts.h"

#include <QToolButton>

#include <functional>
#include <vector>

class QMenu;

namespace vesperline {

class SearchModel;

// The app filter of a search: a borderless button titled with the filtered app ("All apps"
// without one) whose menu offers "All apps" and the apps it is given; choosing one sets the
// model's app filter, which searches at once. It follows the model's filter and app list.
class AppFilterButton final : public QToolButton {
    Q_OBJECT

  public:
    // The apps the menu offers, from the model's app list at the time.
    using Items = std::function<std::vector<SearchTexts::AppItem>()>;

    // The model must outlive the button.
    AppFilterButton(SearchModel& model, Items items, QWidget* parent = nullptr);

  private:
    void showApps();

    SearchModel& model_;
    Items items_;
    QMenu* menu_;
};

} // namespace vesperline
