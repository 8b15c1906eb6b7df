#pragma once

#include "Runtime/SystemClock.h"
#include "Store/Format.h"
#include "UI/Moment/MomentCanvas.h"
#include "UI/Moment/MomentDetailController.h"
#include "UI/Search/SearchScreenController.h"
#include "UI/Shared/FrameThumbnailController.h"

#include <QWidget>

#include <chrono>

class QStackedWidget;

namespace vesperline {

namespace platform {
class InstalledApplications;
}

class ActivityIndicator;
class EmptyStateView;
class FrameImageLoader;
class LiveTextAnalyzer;
class MomentDetail;
class ResultList;
class SearchField;
class SearchModel;
class SegmentedControl;
class StoreHub;

// The Search section: a search field, the time ranges, the app filter and the sort order over a
// list of results beside a preview of the selected moment with the search terms boxed on it. A
// result's menu opens it in the timeline, opens its link or deletes it; the preview is the moment
// view with its own actions. Empty lists and an empty preview say why they are empty.
//
// It renders its controller and the app model's search model and forwards what the user does;
// everything it shows lives in the search model, so it survives leaving the section.
class SearchScreen final : public QWidget {
    Q_OBJECT

  public:
    struct Services {
        SearchModel& model;
        SearchScreenController::Actions actions;
        StoreHub& hub;
        // The preview's pictures at a size and the boxes of the search terms on them.
        MomentDetailController::ImageSource pictures;
        MomentDetailController::TermBoxes termBoxes;
        // Selectable text over the preview's picture.
        MomentCanvas::Analyze analyze;
        // The rows' thumbnails.
        FrameThumbnailController::ImageSource thumbnails;
        platform::InstalledApplications& applications;
        const Format& format = Format::current();
        const ostrel::Clock& clock = systemClock();
        std::chrono::milliseconds retryDelay = MomentDetailController::defaultRetryDelay;
    };
    // The application's services: pictures from the shared loader, terms and text read by the
    // shared analyzer.
    static Services services(SearchModel& model, SearchScreenController::Actions actions, StoreHub& hub,
                             FrameImageLoader& loader, LiveTextAnalyzer& analyzer,
                             platform::InstalledApplications& applications);

    explicit SearchScreen(Services services, QWidget* parent = nullptr);

    SearchScreenController& controller() { return controller_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QWidget* buildHeader();
    QWidget* buildSearchRow();
    QWidget* buildFilterRow();
    void showSort();
    void showResults();
    void showSearching();
    void showSelection();
    void showPreview();
    void showMenu(std::int64_t frameID, const QPoint& globalPosition);

    SearchModel& model_;
    const Format& format_;
    SearchScreenController controller_;

    SearchField* field_;
    ActivityIndicator* spinner_;
    SegmentedControl* sortPicker_;
    QStackedWidget* resultsPane_;
    EmptyStateView* resultsEmpty_;
    ResultList* list_;
    QStackedWidget* previewPane_;
    MomentDetail* preview_;
    EmptyStateView* previewEmpty_;
};

} // namespace vesperline
