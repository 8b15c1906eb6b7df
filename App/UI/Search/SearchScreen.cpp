#include "UI/Search/SearchScreen.h"

#include "Model/SearchModel.h"
#include "UI/Moment/MomentDetail.h"
#include "UI/Search/AppFilterButton.h"
#include "UI/Search/RangeChips.h"
#include "UI/Search/ResultList.h"
#include "UI/Search/SearchField.h"
#include "UI/Shared/ActivityIndicator.h"
#include "UI/Shared/Divider.h"
#include "UI/Shared/EmptyStateView.h"
#include "UI/Shared/RoundedBox.h"
#include "UI/Shared/SegmentedControl.h"
#include "UI/Shared/SymbolLabel.h"
#include "UI/Theme/Theme.h"

#include <QBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QShowEvent>
#include <QSplitter>
#include <QStackedWidget>

namespace vesperline {

namespace {

constexpr int headerPadding = 14;
constexpr int resultsMinimumWidth = 330;
constexpr int resultsWidth = 380;
constexpr int resultsMaximumWidth = 520;
constexpr int previewMinimumWidth = 360;
constexpr double searchRowCornerRadius = 10;

} // namespace

SearchScreen::Services SearchScreen::services(SearchModel& model, SearchScreenController::Actions actions,
                                              StoreHub& hub, FrameImageLoader& loader,
                                              LiveTextAnalyzer& analyzer,
                                              platform::InstalledApplications& applications) {
    MomentDetailController::Services detail = MomentDetailController::services(hub, loader, analyzer, {});
    return {
        .model = model,
        .actions = std::move(actions),
        .hub = hub,
        .pictures = std::move(detail.images),
        .termBoxes = std::move(detail.termBoxes),
        .analyze = MomentCanvas::analyses(analyzer),
        .thumbnails = FrameThumbnailController::thumbnails(loader),
        .applications = applications,
    };
}

SearchScreen::SearchScreen(Services services, QWidget* parent)
    : QWidget(parent), model_(services.model), format_(services.format),
      controller_(services.model, services.actions, this) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildHeader());
    column->addWidget(new Divider(this));

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->setObjectName("searchSplit");
    split->setChildrenCollapsible(false);
    split->setHandleWidth(1);

    resultsPane_ = new QStackedWidget(split);
    resultsPane_->setObjectName("resultsPane");
    resultsPane_->setMinimumWidth(resultsMinimumWidth);
    resultsPane_->setMaximumWidth(resultsMaximumWidth);
    const SearchTexts::EmptyState nothingYet = SearchTexts::noResults(true, false);
    resultsEmpty_ = new EmptyStateView(nothingYet.symbol, nothingYet.title, nothingYet.message, resultsPane_);
    resultsEmpty_->setObjectName("resultsEmpty");
    list_ = new ResultList({.thumbnails = services.thumbnails,
                            .applications = services.applications,
                            .format = services.format,
                            .clock = services.clock,
                            .retryDelay = services.retryDelay},
                           resultsPane_);
    list_->setObjectName("resultList");
    resultsPane_->addWidget(resultsEmpty_);
    resultsPane_->addWidget(list_);

    previewPane_ = new QStackedWidget(split);
    previewPane_->setObjectName("previewPane");
    previewPane_->setMinimumWidth(previewMinimumWidth);
    preview_ = new MomentDetail(
        {
            .hub = services.hub,
            .images = std::move(services.pictures),
            .termBoxes = std::move(services.termBoxes),
            .actions = services.actions.moment,
            .clock = services.clock,
            .retryDelay = services.retryDelay,
        },
        std::move(services.analyze), services.applications, services.format, previewPane_);
    preview_->setObjectName("preview");
    preview_->setShowTimelineButton(true);
    // After the preview's own (confirmed) delete, the list follows at once.
    preview_->setOnDeleted([this] { model_.schedule(true); });
    const SearchTexts::EmptyState noPreview = SearchTexts::noPreview();
    previewEmpty_ = new EmptyStateView(noPreview.symbol, noPreview.title, noPreview.message, previewPane_);
    previewEmpty_->setObjectName("previewEmpty");
    previewPane_->addWidget(preview_);
    previewPane_->addWidget(previewEmpty_);

    split->addWidget(resultsPane_);
    split->addWidget(previewPane_);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setSizes({resultsWidth, 10 * resultsWidth});
    column->addWidget(split, 1);

    connect(&controller_, &SearchScreenController::focusRequested, field_,
            [this] { field_->setFocus(Qt::OtherFocusReason); });
    connect(field_, &QLineEdit::returnPressed, &controller_, &SearchScreenController::submit);
    connect(list_, &ResultList::selectionRequested, &model_,
            [this](std::int64_t frameID) { model_.setSelection(frameID); });
    connect(list_, &ResultList::menuRequested, this, &SearchScreen::showMenu);

    // The terms to box on the preview follow the text.
    connect(&model_, &SearchModel::textChanged, this, &SearchScreen::showPreview);
    connect(&model_, &SearchModel::sortChanged, this, &SearchScreen::showSort);
    connect(&model_, &SearchModel::resultsChanged, this, &SearchScreen::showResults);
    connect(&model_, &SearchModel::showingRecentChanged, this, &SearchScreen::showResults);
    connect(&model_, &SearchModel::searchingChanged, this, &SearchScreen::showSearching);
    connect(&model_, &SearchModel::selectionChanged, this, &SearchScreen::showSelection);

    showSort();
    showResults();
    showSearching();
}

QWidget* SearchScreen::buildHeader() {
    auto* header = new QWidget(this);
    auto* rows = new QVBoxLayout(header);
    rows->setContentsMargins(headerPadding, headerPadding, headerPadding, headerPadding);
    rows->setSpacing(10);
    rows->addWidget(buildSearchRow());
    rows->addWidget(buildFilterRow());
    return header;
}

QWidget* SearchScreen::buildSearchRow() {
    auto* ground =
        new RoundedBox(searchRowCornerRadius, RoundedBox::level(Theme::Level::quaternary, 0.45), false, this);
    auto* row = new QHBoxLayout(ground);
    row->setContentsMargins(10, 10, 10, 10);
    row->setSpacing(10);
    row->addWidget(
        new SymbolLabel("magnifyingglass", Theme::TextStyle::title3, SymbolLabel::InkGradient{}, ground));
    field_ = new SearchField(model_, ground);
    Theme::applyText(field_, Theme::TextStyle::title3);
    row->addWidget(field_, 1);
    spinner_ = new ActivityIndicator(16, ground);
    spinner_->setObjectName("searchSpinner");
    row->addWidget(spinner_);
    return ground;
}

QWidget* SearchScreen::buildFilterRow() {
    auto* filters = new QWidget(this);
    auto* row = new QHBoxLayout(filters);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(new RangeChips(model_, filters));
    row->addStretch(1);
    row->addWidget(new AppFilterButton(
        model_, [this] { return controller_.appMenuItems(); }, filters));

    sortPicker_ = new SegmentedControl({tr("Best match"), tr("Newest")}, filters);
    sortPicker_->setObjectName("sortPicker");
    connect(sortPicker_, &SegmentedControl::activated, &model_, [this](int index) {
        model_.setSort(ostrel::SearchQuery::allSorts[static_cast<std::size_t>(index)]);
    });
    row->addWidget(sortPicker_);
    return filters;
}

void SearchScreen::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Coming into view, not a window coming back from being minimised.
    if (!event->spontaneous()) {
        controller_.appeared();
    }
}

void SearchScreen::showSort() {
    const auto& sorts = ostrel::SearchQuery::allSorts;
    sortPicker_->setCurrentIndex(
        static_cast<int>(std::find(sorts.begin(), sorts.end(), model_.sort()) - sorts.begin()));
}

void SearchScreen::showResults() {
    list_->setHeader(controller_.resultsHeader(format_));
    list_->setHits(model_.results(), controller_.shownSelection());
    showSearching();
    showPreview();
}

void SearchScreen::showSearching() {
    spinner_->setVisible(model_.isSearching());
    if (const std::optional<SearchTexts::EmptyState> empty = controller_.emptyState()) {
        resultsEmpty_->setContent(empty->symbol, empty->title, empty->message);
        resultsPane_->setCurrentWidget(resultsEmpty_);
    } else {
        resultsPane_->setCurrentWidget(list_);
    }
}

void SearchScreen::showSelection() {
    list_->setSelected(controller_.shownSelection());
    if (model_.selection()) {
        list_->revealSelected();
    }
    showPreview();
}

void SearchScreen::showPreview() {
    const std::optional<ostrel::SearchHit> hit = model_.selectedHit();
    if (!hit) {
        previewPane_->setCurrentWidget(previewEmpty_);
        return;
    }
    preview_->setTerms(controller_.highlightTerms());
    preview_->setMoment(hit->frame.id, FrameImageLoader::Size::full);
    previewPane_->setCurrentWidget(preview_);
}

void SearchScreen::showMenu(std::int64_t frameID, const QPoint& globalPosition) {
    const auto& results = model_.results();
    const auto found = std::find_if(results.begin(), results.end(), [frameID](const ostrel::SearchHit& hit) {
        return hit.frame.id == frameID;
    });
    if (found == results.end()) {
        return;
    }
    const ostrel::SearchHit hit = *found;
    auto* menu = new QMenu(this);
    menu->setObjectName("resultMenu");
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* timeline = menu->addAction(tr("Open in timeline"));
    timeline->setObjectName("openInTimeline");
    connect(timeline, &QAction::triggered, &controller_, [this, hit] { controller_.openInTimeline(hit); });
    if (SearchScreenController::link(hit)) {
        QAction* link = menu->addAction(tr("Open link"));
        link->setObjectName("openLink");
        connect(link, &QAction::triggered, &controller_, [this, hit] { controller_.openLink(hit); });
    }
    menu->addSeparator();
    QAction* remove = menu->addAction(tr("Delete this moment"));
    remove->setObjectName("deleteMoment");
    connect(remove, &QAction::triggered, &controller_, [this, hit] { controller_.deleteMoment(hit); });
    menu->popup(globalPosition);
}

} // namespace vesperline
