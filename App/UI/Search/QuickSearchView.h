#pragma once

#include "UI/Search/ResultRow.h"
#include "UI/Timeline/MomentPicture.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QStackedWidget;

namespace vesperline {

class ActivityIndicator;
class AppIconView;
class ElidedLabel;
class EmptyStateView;
class MomentImage;
class QuickSearchController;
class ResultList;
class SearchField;
class SearchModel;

// The content of the quick-search panel: a large search field with the time ranges and the app
// filter under it, the results on the left and the selected moment's picture on the right, and the
// keys to use in a footer. It shows the panel's search model and hands what the user does to it or
// to the controller; the keys themselves are taken by the controller before they reach it.
class QuickSearchView final : public QWidget {
    Q_OBJECT

  public:
    static constexpr int resultsWidth = 400;

    QuickSearchView(QuickSearchController& controller, ResultRow::Services rows,
                    MomentPicture::Source pictures, QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QWidget* buildHeader();
    QWidget* buildFilters();
    QWidget* buildPreview(ResultRow::Services& rows, MomentPicture::Source pictures);
    QWidget* buildFooter();
    void focusField();
    void showResults();
    void showSelection();
    void showPreview();

    QuickSearchController& controller_;
    SearchModel& search_;
    const Format& format_;
    const ostrel::Clock& clock_;

    SearchField* field_;
    ActivityIndicator* spinner_;
    QStackedWidget* resultsPane_;
    EmptyStateView* resultsEmpty_;
    QWidget* resultsBlank_;
    ResultList* list_;
    QStackedWidget* previewPane_;
    EmptyStateView* previewEmpty_;
    QWidget* preview_;
    MomentImage* image_;
    AppIconView* appIcon_;
    ElidedLabel* title_;
    ElidedLabel* subtitle_;
    QPushButton* openLink_;
};

} // namespace vesperline
