#include "UI/Journal/JournalScreen.h"

#include "UI/Journal/CapsuleBadge.h"
#include "UI/Journal/HourChart.h"
#include "UI/Journal/JournalChart.h"
#include "UI/Journal/JournalEntryRow.h"
#include "UI/Shared/ActivityIndicator.h"
#include "UI/Shared/Card.h"
#include "UI/Shared/DayNavigator.h"
#include "UI/Shared/ElidedLabel.h"
#include "UI/Shared/EmptyStateView.h"
#include "UI/Shared/PageParts.h"
#include "UI/Shared/SymbolLabel.h"
#include "UI/Theme/Symbols.h"
#include "UI/Theme/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>

namespace vesperline {

using PageParts::column;
using PageParts::row;
using PageParts::textLabel;

namespace {

constexpr int loadingHeight = 300;
constexpr int emptyHeight = 360;
constexpr int cardSpacing = 10;
constexpr int tileSpacing = 12;
constexpr int tilePadding = 12;
constexpr int listSpacing = 14;
constexpr int spinnerSide = 24;
constexpr int smallSpinnerSide = 14;
constexpr double tileMinimumScale = 0.7;

// A symbol and a title side by side, as one label.
QWidget* titled(const QString& symbol, const QString& title, Theme::TextStyle style, Theme::Level level,
                QLabel** text = nullptr) {
    auto* label = new QWidget;
    QHBoxLayout* layout = row(label, 6);
    layout->addWidget(new SymbolLabel(symbol, style, level), 0, Qt::AlignVCenter);
    QLabel* words = textLabel(style, level);
    words->setText(title);
    layout->addWidget(words, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    if (text) {
        *text = words;
    }
    return label;
}

// A card of `content` laid out as a column.
QWidget* cardOf(QWidget* content, const char* name, int padding = Theme::cardPadding) {
    auto* card = new Card(content, padding);
    card->setObjectName(name);
    return card;
}

void clear(QLayout* layout) {
    while (QLayoutItem* item = layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
}

} // namespace

JournalScreen::JournalScreen(Services services, QWidget* parent)
    : QWidget(parent), applications_(services.applications), format_(services.format),
      controller_(services.hub, services.settings, services.ai, std::move(services.navigation),
                  services.format, services.clock, this),
      navigator_(new DayNavigator(services.clock, services.format)), loading_(new QWidget),
      empty_(new EmptyStateView("calendar.badge.clock", tr("No activity on this day"),
                                tr("The journal fills itself while Vesperline is recording. Time stops "
                                   "counting after 5 minutes without input."))),
      content_(new QWidget) {
    auto* page = new QWidget;
    page->setObjectName("journalPage");
    QVBoxLayout* stack = column(page, Theme::pageSpacing);
    stack->setContentsMargins(Theme::pagePadding, Theme::pagePadding, Theme::pagePadding, Theme::pagePadding);

    navigator_->setObjectName("journalDayNavigator");
    navigator_->setDay(controller_.day());
    stack->addWidget(navigator_);

    loading_->setObjectName("journalLoading");
    loading_->setMinimumHeight(loadingHeight);
    auto* spinner = new ActivityIndicator(spinnerSide);
    spinner->setObjectName("journalSpinner");
    column(loading_, 0)->addWidget(spinner, 0, Qt::AlignCenter);
    stack->addWidget(loading_);

    empty_->setObjectName("journalEmpty");
    empty_->setMinimumHeight(emptyHeight);
    stack->addWidget(empty_);

    content_->setObjectName("journalContent");
    QVBoxLayout* sections = column(content_, Theme::pageSpacing);
    sections->addWidget(makeSummaryCard());
    auto* tiles = new QWidget;
    tiles->setObjectName("journalTiles");
    tiles_ = row(tiles, tileSpacing);
    sections->addWidget(tiles);
    sections->addWidget(makeChartCard());
    auto* lists = new QWidget;
    QHBoxLayout* pair = row(lists, listSpacing);
    pair->addWidget(makeListCard(tr("Projects & sites"), "folder", "projectsCard", projects_,
                                 tr("No projects detected yet. Add your own in Settings → Projects.")),
                    1, Qt::AlignTop);
    pair->addWidget(makeListCard(tr("Apps"), "app.badge", "appsCard", apps_, {}), 1, Qt::AlignTop);
    sections->addWidget(lists);
    stack->addWidget(content_);
    stack->addStretch(1);

    // The page's height follows its width (wrapped texts): the scroll area asks it for the height at
    // the width it has, not for the tall minimum of its narrowest width.
    page->setMinimumHeight(1);
    auto* scroll = new QScrollArea;
    scroll->setObjectName("journalScroll");
    scroll->setWidget(page);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column(this, 0)->addWidget(scroll);

    connect(navigator_, &DayNavigator::dayChosen, &controller_,
            [this](double day) { controller_.setDay(day); });
    connect(&controller_, &JournalController::dayChanged, navigator_, &DayNavigator::setDay);
    connect(&controller_, &JournalController::logChanged, this, &JournalScreen::renderLog);
    connect(&controller_, &JournalController::summaryChanged, this, &JournalScreen::renderSummary);
    connect(chart_, &HourChart::hourClicked, &controller_, &JournalController::openHour);
    renderLog();
    renderSummary();
}

QWidget* JournalScreen::makeSummaryCard() {
    auto* content = new QWidget;
    QVBoxLayout* lines = column(content, cardSpacing);

    auto* heading = new QWidget;
    QHBoxLayout* items = row(heading, 8);
    QLabel* title = nullptr;
    items->addWidget(
        titled("text.quote", tr("Summary"), Theme::TextStyle::headline, Theme::Level::primary, &title));
    title->setObjectName("summaryTitle");
    badge_ = new CapsuleBadge(tr("the local model · on device"));
    badge_->setObjectName("modelBadge");
    items->addWidget(badge_, 0, Qt::AlignVCenter);
    items->addStretch(1);
    progress_ = new ActivityIndicator(smallSpinnerSide);
    progress_->setObjectName("summaryProgress");
    items->addWidget(progress_, 0, Qt::AlignVCenter);
    summarize_ = new QPushButton;
    summarize_->setObjectName("summarizeButton");
    Theme::applyText(summarize_, Theme::TextStyle::subheadline);
    summarize_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    const int symbolSide = QFontMetrics(summarize_->font()).ascent();
    summarize_->setIcon(Symbols::icon("text.append"));
    summarize_->setIconSize(QSize(symbolSide, symbolSide));
    connect(summarize_, &QPushButton::clicked, &controller_, &JournalController::summarize);
    items->addWidget(summarize_, 0, Qt::AlignVCenter);
    // The heading keeps its height whichever control ends it.
    heading->setMinimumHeight(summarize_->sizeHint().height());
    lines->addWidget(heading);

    summaryText_ = textLabel(Theme::TextStyle::body, Theme::Level::primary, std::nullopt, true);
    summaryText_->setObjectName("summaryText");
    summaryText_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    lines->addWidget(summaryText_);
    return cardOf(content, "summaryCard");
}

QWidget* JournalScreen::makeChartCard() {
    auto* content = new QWidget;
    QVBoxLayout* lines = column(content, cardSpacing);
    QLabel* title = textLabel(Theme::TextStyle::headline);
    title->setText(tr("Hour by hour"));
    lines->addWidget(title);
    chart_ = new HourChart;
    chart_->setObjectName("hourChart");
    lines->addWidget(chart_);
    QLabel* hint = textLabel(Theme::TextStyle::caption, Theme::Level::secondary);
    hint->setObjectName("hourChartHint");
    hint->setText(tr("Tap an hour to rewind it in the timeline."));
    lines->addWidget(hint);
    return cardOf(content, "hourChartCard");
}

QWidget* JournalScreen::makeListCard(const QString& title, const QString& symbol, const char* name,
                                     List& list, const QString& hint) {
    auto* content = new QWidget;
    QVBoxLayout* lines = column(content, cardSpacing);
    lines->addWidget(titled(symbol, title, Theme::TextStyle::headline, Theme::Level::primary));
    list.hint = nullptr;
    if (!hint.isEmpty()) {
        list.hint = textLabel(Theme::TextStyle::callout, Theme::Level::secondary, std::nullopt, true);
        list.hint->setObjectName(QStringLiteral("%1Hint").arg(QLatin1String(name)));
        list.hint->setText(hint);
        lines->addWidget(list.hint);
    }
    list.rows = new QWidget;
    list.rows->setObjectName(QStringLiteral("%1Rows").arg(QLatin1String(name)));
    list.layout = column(list.rows, cardSpacing);
    lines->addWidget(list.rows);
    return cardOf(content, name);
}

// ---- Rendering --------------------------------------------------------------------------------------

void JournalScreen::renderLog() {
    const std::optional<ostrel::WorkLog>& log = controller_.log();
    loading_->setVisible(!log);
    empty_->setVisible(log && !controller_.hasActivity());
    content_->setVisible(controller_.hasActivity());
    if (!controller_.hasActivity()) {
        return; // the content is drawn again when a day with activity arrives
    }
    renderTiles();
    chart_->setChart(JournalChart::make(*log));
    renderList(projects_, log->projects, true);
    renderList(apps_, log->apps, false);
}

void JournalScreen::renderTiles() {
    clear(tiles_);
    for (const JournalController::StatTile& tile : controller_.statTiles()) {
        auto* content = new QWidget;
        QVBoxLayout* lines = column(content, 4);
        QLabel* title = nullptr;
        lines->addWidget(
            titled(tile.symbol, tile.title, Theme::TextStyle::caption, Theme::Level::secondary, &title));
        title->setObjectName(tile.name + "Title");
        auto* value = new ElidedLabel;
        value->setMinimumScale(tileMinimumScale);
        value->setObjectName(tile.name + "Value");
        Theme::applyText(value, Theme::TextStyle::title3, Theme::Level::primary, QFont::DemiBold);
        value->setText(tile.value);
        lines->addWidget(value);
        auto* card = new Card(content, tilePadding);
        card->setObjectName(tile.name + "Tile");
        tiles_->addWidget(card, 1);
    }
}

void JournalScreen::renderList(List& list, const std::vector<ostrel::WorkLogEntry>& entries, bool projects) {
    clear(list.layout);
    if (list.hint) {
        list.hint->setVisible(entries.empty());
    }
    list.rows->setVisible(!entries.empty());
    const JournalEntryRow::Kind kind = projects ? JournalEntryRow::Kind::project : JournalEntryRow::Kind::app;
    for (std::size_t i = 0; i < std::min(listedEntries, entries.size()); ++i) {
        auto* entry = new JournalEntryRow(i, entries[i], kind, controller_.share(entries[i].seconds),
                                          applications_, format_);
        entry->setObjectName(QStringLiteral("entry%1").arg(i));
        if (projects) {
            connect(entry, &JournalEntryRow::clicked, &controller_,
                    [this, project = entries[i]] { controller_.openProject(project); });
        }
        list.layout->addWidget(entry);
    }
}

void JournalScreen::renderSummary() {
    badge_->setVisible(controller_.showsModelBadge());
    const JournalController::SummaryControl control = controller_.summaryControl();
    progress_->setVisible(control == JournalController::SummaryControl::progress);
    summarize_->setVisible(control == JournalController::SummaryControl::button);
    summarize_->setText(controller_.summarizeTitle());
    summaryText_->setText(controller_.summaryText());
}

// ---- Events -----------------------------------------------------------------------------------------

void JournalScreen::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        controller_.setShown(true);
    }
}

void JournalScreen::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) {
        controller_.setShown(false);
    }
}

} // namespace vesperline
