#include "UI/Search/QuickSearchView.h"

#include "Model/SearchModel.h"
#include "UI/Search/AppFilterButton.h"
#include "UI/Search/MomentImage.h"
#include "UI/Search/QuickSearchController.h"
#include "UI/Search/RangeChips.h"
#include "UI/Search/ResultList.h"
#include "UI/Search/SearchField.h"
#include "UI/Search/SearchTexts.h"
#include "UI/Shared/ActivityIndicator.h"
#include "UI/Shared/AppIconView.h"
#include "UI/Shared/Divider.h"
#include "UI/Shared/ElidedLabel.h"
#include "UI/Shared/EmptyStateView.h"
#include "UI/Shared/SymbolLabel.h"
#include "UI/Theme/Symbols.h"
#include "UI/Theme/Theme.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStackedWidget>

namespace vesperline {

namespace {

constexpr int sidePadding = 18;
constexpr double previewCornerRadius = 10;

// A short monospaced text in the caption size, as key names and query syntax are shown; a key is
// drawn on a faint rounded cap. Colours and the font are taken when painting, so a change of the
// palette or the application's font shows at once.
class MonospaceText final : public QWidget {
  public:
    MonospaceText(const QString& text, bool keyCap, QWidget* parent)
        : QWidget(parent), text_(text), keyCap_(keyCap) {}

    QSize sizeHint() const override {
        const QFontMetrics metrics(textFont());
        const QSize text(metrics.horizontalAdvance(text_), metrics.height());
        return keyCap_ ? text + QSize(2 * capPadding.width(), 2 * capPadding.height()) : text;
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void changeEvent(QEvent* event) override {
        QWidget::changeEvent(event);
        if (event->type() == QEvent::FontChange || event->type() == QEvent::ApplicationFontChange) {
            updateGeometry();
        }
    }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (keyCap_) {
            QColor ground = Theme::textColor(palette(), Theme::Level::quaternary);
            ground.setAlphaF(ground.alphaF() * 0.6f);
            QPainterPath cap;
            cap.addRoundedRect(QRectF(rect()), 4, 4);
            painter.fillPath(cap, ground);
        }
        painter.setFont(textFont());
        painter.setPen(Theme::textColor(palette(), keyCap_ ? Theme::Level::primary : Theme::Level::tertiary));
        painter.drawText(rect(), Qt::AlignCenter, text_);
    }

  private:
    static constexpr QSize capPadding{5, 1};

    QFont textFont() const {
        return Theme::monospacedFont(Theme::TextStyle::caption, keyCap_ ? QFont::DemiBold : QFont::Normal);
    }

    QString text_;
    bool keyCap_;
};

// The header's close button: the filled cross in a faint tint that darkens under the pointer, with
// no bezel of its own.
class CloseButton final : public QAbstractButton {
  public:
    explicit CloseButton(QWidget* parent) : QAbstractButton(parent) {
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        setAttribute(Qt::WA_Hover);
    }

    QSize sizeHint() const override {
        const int side = QFontMetrics(Theme::font(Theme::TextStyle::title)).ascent();
        return {side, side};
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        const int side = std::min(width(), height());
        const Theme::Level level = underMouse() ? Theme::Level::secondary : Theme::Level::tertiary;
        QPainter painter(this);
        painter.drawPixmap((width() - side) / 2, (height() - side) / 2,
                           Symbols::pixmap(QStringLiteral("xmark.circle.fill"), side,
                                           Theme::textColor(palette(), level), devicePixelRatioF()));
    }
};

} // namespace

QuickSearchView::QuickSearchView(QuickSearchController& controller, ResultRow::Services rows,
                                 MomentPicture::Source pictures, QWidget* parent)
    : QWidget(parent), controller_(controller), search_(controller.search()), format_(rows.format),
      clock_(rows.clock) {
    setObjectName("quickSearchView");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildHeader());
    column->addWidget(buildFilters());
    column->addWidget(new Divider(this));

    auto* body = new QHBoxLayout;
    body->setSpacing(0);
    resultsPane_ = new QStackedWidget(this);
    resultsPane_->setObjectName("resultsPane");
    resultsPane_->setFixedWidth(resultsWidth);
    const SearchTexts::EmptyState nothingYet = SearchTexts::nothingYet();
    resultsEmpty_ = new EmptyStateView(nothingYet.symbol, nothingYet.title, nothingYet.message, resultsPane_);
    resultsEmpty_->setObjectName("resultsEmpty");
    resultsBlank_ = new QWidget(resultsPane_);
    resultsBlank_->setObjectName("resultsBlank");
    list_ = new ResultList(rows, resultsPane_);
    list_->setObjectName("resultList");
    // Clicking a row leaves the keyboard in the field, so typing goes on searching.
    list_->setFocusProxy(field_);
    resultsPane_->addWidget(resultsEmpty_);
    resultsPane_->addWidget(resultsBlank_);
    resultsPane_->addWidget(list_);
    body->addWidget(resultsPane_);
    body->addWidget(new Divider(Qt::Vertical, this));
    body->addWidget(buildPreview(rows, std::move(pictures)), 1);
    column->addLayout(body, 1);

    column->addWidget(new Divider(this));
    column->addWidget(buildFooter());

    connect(list_, &ResultList::selectionRequested, &search_,
            [this](std::int64_t frameID) { search_.setSelection(frameID); });
    connect(list_, &ResultList::activated, &controller_, [this](std::int64_t frameID) {
        for (const ostrel::SearchHit& hit : search_.results()) {
            if (hit.frame.id == frameID) {
                controller_.open(hit);
                return;
            }
        }
    });

    connect(&search_, &SearchModel::resultsChanged, this, &QuickSearchView::showResults);
    connect(&search_, &SearchModel::showingRecentChanged, this, &QuickSearchView::showResults);
    connect(&search_, &SearchModel::searchingChanged, this, &QuickSearchView::showResults);
    connect(&search_, &SearchModel::selectionChanged, this, &QuickSearchView::showSelection);
    connect(&search_, &SearchModel::focusTokenChanged, this, &QuickSearchView::focusField);

    showResults();
}

QWidget* QuickSearchView::buildHeader() {
    auto* header = new QWidget(this);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(sidePadding, 18, sidePadding, 10);
    row->setSpacing(12);
    row->addWidget(
        new SymbolLabel("magnifyingglass", Theme::TextStyle::title, SymbolLabel::InkGradient{}, header));

    field_ = new SearchField(search_, header);
    Theme::applyText(field_, Theme::TextStyle::title);
    row->addWidget(field_, 1);

    spinner_ = new ActivityIndicator(16, header);
    spinner_->setObjectName("searchSpinner");
    row->addWidget(spinner_);

    auto* close = new CloseButton(header);
    close->setObjectName("closeButton");
    close->setToolTip(tr("Close (Esc)"));
    connect(close, &QAbstractButton::clicked, &controller_, &QuickSearchController::hide);
    row->addWidget(close);
    return header;
}

QWidget* QuickSearchView::buildFilters() {
    auto* filters = new QWidget(this);
    auto* row = new QHBoxLayout(filters);
    row->setContentsMargins(sidePadding, 0, sidePadding, 12);
    row->setSpacing(6);
    row->addWidget(new RangeChips(search_, filters));
    row->addStretch(1);
    auto* apps = new AppFilterButton(
        search_, [this] { return controller_.appMenuItems(); }, filters);
    apps->setFocusPolicy(Qt::NoFocus);
    row->addWidget(apps);
    return filters;
}

QWidget* QuickSearchView::buildPreview(ResultRow::Services& rows, MomentPicture::Source pictures) {
    previewPane_ = new QStackedWidget(this);
    previewPane_->setObjectName("previewPane");
    const SearchTexts::EmptyState noPreview = SearchTexts::noPreview();
    previewEmpty_ = new EmptyStateView(noPreview.symbol, noPreview.title, noPreview.message, previewPane_);
    previewEmpty_->setObjectName("previewEmpty");

    preview_ = new QWidget(previewPane_);
    preview_->setObjectName("preview");
    auto* column = new QVBoxLayout(preview_);
    column->setContentsMargins(14, 14, 14, 14);
    column->setSpacing(10);
    image_ = new MomentImage(std::move(pictures), rows.clock, rows.retryDelay, preview_);
    image_->setObjectName("previewImage");
    image_->setCornerRadius(previewCornerRadius);
    column->addWidget(image_, 1);

    auto* info = new QHBoxLayout;
    info->setSpacing(8);
    appIcon_ = new AppIconView(rows.applications, std::nullopt, 20, preview_);
    info->addWidget(appIcon_);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    title_ = new ElidedLabel(Qt::ElideRight, preview_);
    title_->setObjectName("previewTitle");
    Theme::applyText(title_, Theme::TextStyle::callout, Theme::Level::primary, QFont::DemiBold);
    texts->addWidget(title_);
    subtitle_ = new ElidedLabel(Qt::ElideRight, preview_);
    subtitle_->setObjectName("previewSubtitle");
    Theme::applyText(subtitle_, Theme::TextStyle::caption, Theme::Level::secondary);
    texts->addWidget(subtitle_);
    info->addLayout(texts, 1);

    auto* openTimeline =
        new QPushButton(Symbols::icon("clock.arrow.circlepath"), tr("Open in timeline"), preview_);
    openTimeline->setObjectName("openInTimeline");
    openTimeline->setFocusPolicy(Qt::NoFocus);
    Theme::applyText(openTimeline, Theme::TextStyle::footnote);
    connect(openTimeline, &QPushButton::clicked, &controller_,
            [this] { controller_.open(search_.selectedHit()); });
    info->addWidget(openTimeline);
    openLink_ = new QPushButton(Symbols::icon("arrow.up.right.square"), tr("Open link"), preview_);
    openLink_->setObjectName("openLink");
    openLink_->setFocusPolicy(Qt::NoFocus);
    Theme::applyText(openLink_, Theme::TextStyle::footnote);
    connect(openLink_, &QPushButton::clicked, &controller_, [this] {
        if (const std::optional<ostrel::SearchHit> hit = search_.selectedHit()) {
            controller_.openLink(*hit);
        }
    });
    info->addWidget(openLink_);
    column->addLayout(info);

    previewPane_->addWidget(previewEmpty_);
    previewPane_->addWidget(preview_);
    return previewPane_;
}

QWidget* QuickSearchView::buildFooter() {
    auto* footer = new QWidget(this);
    footer->setObjectName("keyHints");
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(sidePadding, 8, sidePadding, 8);
    row->setSpacing(16);
    // The keys are shown as they are written on the keyboard.
    const std::pair<QString, QString> hints[] = {
        {QStringLiteral("↑↓"), tr("select")},
        {QStringLiteral("↩"), tr("open in timeline")},
        {QStringLiteral("Ctrl+↩"), tr("open link")},
        {QStringLiteral("esc"), tr("close")},
    };
    for (const auto& [keys, label] : hints) {
        auto* hint = new QHBoxLayout;
        hint->setSpacing(4);
        hint->addWidget(new MonospaceText(keys, true, footer));
        auto* text = new QLabel(label, footer);
        Theme::applyText(text, Theme::TextStyle::caption, Theme::Level::secondary);
        hint->addWidget(text);
        row->addLayout(hint);
    }
    row->addStretch(1);
    auto* syntax = new MonospaceText(tr("app:  site:  \"…\""), false, footer);
    syntax->setObjectName("syntaxHint");
    row->addWidget(syntax);
    return footer;
}

void QuickSearchView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    focusField();
}

void QuickSearchView::focusField() {
    field_->setFocus(Qt::OtherFocusReason);
    // The last search stays in the field, chosen, so typing starts a new one over it.
    field_->selectAll();
}

void QuickSearchView::showResults() {
    spinner_->setVisible(search_.isSearching());
    const QuickSearchController::ResultsContent content = controller_.resultsContent();
    switch (content) {
    case QuickSearchController::ResultsContent::list:
        resultsPane_->setCurrentWidget(list_);
        break;
    case QuickSearchController::ResultsContent::nothingYet:
    case QuickSearchController::ResultsContent::noMatches: {
        const SearchTexts::EmptyState empty = content == QuickSearchController::ResultsContent::nothingYet
                                                  ? SearchTexts::nothingYet()
                                                  : SearchTexts::noResults(false, search_.queryShortened());
        resultsEmpty_->setContent(empty.symbol, empty.title, empty.message);
        resultsPane_->setCurrentWidget(resultsEmpty_);
        break;
    }
    case QuickSearchController::ResultsContent::blank:
        resultsPane_->setCurrentWidget(resultsBlank_);
        break;
    }
    list_->setHeader(controller_.resultsHeader(format_));
    const std::optional<ostrel::SearchHit> shown = search_.selectedHit();
    list_->setHits(search_.results(), shown ? std::optional(shown->frame.id) : std::nullopt);
    showPreview();
}

void QuickSearchView::showSelection() {
    const std::optional<ostrel::SearchHit> shown = search_.selectedHit();
    list_->setSelected(shown ? std::optional(shown->frame.id) : std::nullopt);
    if (search_.selection()) {
        list_->revealSelected(ResultList::Reveal::centred);
    }
    showPreview();
}

void QuickSearchView::showPreview() {
    const std::optional<ostrel::SearchHit> hit = search_.selectedHit();
    if (!hit) {
        previewPane_->setCurrentWidget(previewEmpty_);
        return;
    }
    const ostrel::FrameSummary& frame = hit->frame;
    image_->setMoment(frame, FrameImageLoader::Size::preview);
    appIcon_->setBundleID(frame.appBundleID);
    title_->setText(QString::fromStdString(frame.displayTitle()));
    subtitle_->setText(tr("%1 · %2").arg(QString::fromStdString(frame.appName.value_or("")),
                                         format_.momentLabel(frame.timestamp, clock_.now())));
    openLink_->setVisible(QuickSearchController::link(*hit).has_value());
    previewPane_->setCurrentWidget(preview_);
}

} // namespace vesperline
