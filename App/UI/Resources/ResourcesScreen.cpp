#include "UI/Resources/ResourcesScreen.h"

#include "UI/Resources/AdaptiveGridLayout.h"
#include "UI/Resources/ResourcesController.h"
#include "UI/Resources/StorageBar.h"
#include "UI/Shared/ActivityIndicator.h"
#include "UI/Shared/BrandMark.h"
#include "UI/Shared/Card.h"
#include "UI/Shared/ChartStyle.h"
#include "UI/Shared/PageParts.h"
#include "UI/Shared/SymbolLabel.h"
#include "UI/Theme/Symbols.h"
#include "UI/Theme/Theme.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QStackedBarSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

namespace vesperline {

using PageParts::column;
using PageParts::row;
using PageParts::textLabel;

namespace {

constexpr double brandMarkSize = 44;
constexpr int statCardMinimumWidth = 220;
constexpr int statGridSpacing = 12;
constexpr double statValuePoints = 26;
constexpr int chartHeight = 160;
constexpr int legendSwatchSide = 10;
constexpr double legendSwatchRadius = 2;
constexpr int smallIndicatorSide = 14;
// The most lines of energy saving there can be.
constexpr int energyLineCount = 5;

// The small square of colour before a legend's label.
class LegendSwatch final : public QWidget {
  public:
    explicit LegendSwatch(const QColor& color) : color_(color) {
        setFixedSize(legendSwatchSide, legendSwatchSide);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath square;
        square.addRoundedRect(QRectF(rect()), legendSwatchRadius, legendSwatchRadius);
        painter.fillPath(square, color_);
    }

  private:
    QColor color_;
};

// A legend item: swatch, label and size; returns the size's label.
QLabel* addLegendItem(QHBoxLayout* legend, const QColor& color, const QString& title, const QString& name) {
    auto* item = new QWidget;
    QHBoxLayout* layout = row(item, 6);
    layout->addWidget(new LegendSwatch(color));
    QLabel* label = textLabel(Theme::TextStyle::caption);
    label->setText(title);
    layout->addWidget(label);
    QLabel* size = textLabel(Theme::TextStyle::caption, Theme::Level::primary, QFont::DemiBold);
    size->setObjectName(name);
    layout->addWidget(size);
    legend->addWidget(item);
    return size;
}

QPushButton* smallButton(const QString& title, const QString& name) {
    auto* button = new QPushButton(title);
    button->setObjectName(name);
    Theme::applyText(button, Theme::TextStyle::subheadline);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return button;
}

} // namespace

ResourcesScreen::ResourcesScreen(ResourcesController* controller, QWidget* parent)
    : QWidget(parent), controller_(controller) {
    controller_->setParent(this);

    auto* page = new QWidget;
    page->setObjectName("resourcesPage");
    QVBoxLayout* stack = column(page, Theme::pageSpacing);
    stack->setContentsMargins(Theme::pagePadding, Theme::pagePadding, Theme::pagePadding, Theme::pagePadding);
    stack->addWidget(makeHeaderCard());
    stack->addWidget(makeStatGrid());
    stack->addWidget(makeChartCard());
    stack->addWidget(makeStorageCard());
    stack->addWidget(makeEnergyCard());
    stack->addStretch();

    // The page's height follows its width (wrapped texts, the grid of cards): the scroll area asks it
    // for the height at the width it has, not for the tall minimum of its narrowest width.
    page->setMinimumHeight(1);

    auto* scroll = new QScrollArea;
    scroll->setObjectName("resourcesScroll");
    scroll->setWidget(page);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QVBoxLayout* layout = column(this, 0);
    layout->addWidget(scroll);

    connect(controller_, &ResourcesController::changed, this, &ResourcesScreen::render);
    connect(controller_, &ResourcesController::weekChanged, this, &ResourcesScreen::renderChart);
    render();
    renderChart();
    drawButtonSymbols();
}

QWidget* ResourcesScreen::makeHeaderCard() {
    auto* content = new QWidget;
    QHBoxLayout* layout = row(content, 14);
    layout->addWidget(new BrandMark(brandMarkSize), 0, Qt::AlignVCenter);
    auto* texts = new QWidget;
    QVBoxLayout* lines = column(texts, 4);
    summary_ = textLabel(Theme::TextStyle::title3, Theme::Level::primary, QFont::DemiBold, true);
    summary_->setObjectName("summary");
    footnote_ = textLabel(Theme::TextStyle::caption, Theme::Level::secondary, std::nullopt, true);
    footnote_->setObjectName("footnote");
    lines->addWidget(summary_);
    lines->addWidget(footnote_);
    layout->addWidget(texts, 1, Qt::AlignVCenter);
    return new Card(content);
}

QWidget* ResourcesScreen::makeStatGrid() {
    auto* grid = new QWidget;
    grid->setObjectName("statGrid");
    auto* layout = new AdaptiveGridLayout(statCardMinimumWidth, statGridSpacing, statGridSpacing, grid);
    const std::array<ResourcesTexts::StatCard, 4> cards = controller_->statCards();
    const char* names[] = {"battery", "processor", "disk", "moments"};
    for (std::size_t i = 0; i < cards.size(); ++i) {
        auto* content = new QWidget;
        QVBoxLayout* lines = column(content, 6);
        auto* title = new QWidget;
        QHBoxLayout* titleRow = row(title, 5);
        titleRow->addWidget(
            new SymbolLabel(cards[i].symbol, Theme::TextStyle::callout, Theme::Level::secondary));
        QLabel* titleText = textLabel(Theme::TextStyle::callout, Theme::Level::secondary);
        titleRow->addWidget(titleText);
        titleRow->addStretch();
        // Sized outside the text styles, so it takes its font once rather than following a style.
        auto* value = new QLabel;
        value->setTextFormat(Qt::PlainText);
        value->setFont(Theme::font(statValuePoints, QFont::DemiBold));
        QLabel* detail = textLabel(Theme::TextStyle::caption, Theme::Level::secondary, std::nullopt, true);
        detail->setMaximumHeight(2 * detail->fontMetrics().lineSpacing());
        const QString name = QString::fromLatin1(names[i]);
        titleText->setObjectName(name + "Title");
        value->setObjectName(name + "Value");
        detail->setObjectName(name + "Detail");
        lines->addWidget(title);
        lines->addWidget(value);
        lines->addWidget(detail);
        auto* card = new Card(content);
        card->setObjectName(name + "Card");
        layout->addWidget(card);
        statCards_[i] = {titleText, value, detail};
    }
    return grid;
}

QWidget* ResourcesScreen::makeChartCard() {
    auto* content = new QWidget;
    QVBoxLayout* lines = column(content, 10);
    QLabel* heading = textLabel(Theme::TextStyle::headline);
    heading->setText(tr("Last 7 days"));
    lines->addWidget(heading);
    noData_ = textLabel(Theme::TextStyle::body, Theme::Level::secondary);
    noData_->setObjectName("noData");
    noData_->setText(tr("No data yet."));
    lines->addWidget(noData_);
    chart_ = new QChartView;
    chart_->setObjectName("energyChart");
    chart_->setFixedHeight(chartHeight);
    chart_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed); // the card takes no more height
    ChartStyle::prepareView(chart_);
    lines->addWidget(chart_);
    return new Card(content);
}

QWidget* ResourcesScreen::makeStorageCard() {
    auto* content = new QWidget;
    QVBoxLayout* lines = column(content, 10);

    auto* titleRow = new QWidget;
    QHBoxLayout* title = row(titleRow, 8);
    QLabel* heading = textLabel(Theme::TextStyle::headline);
    heading->setText(tr("Storage"));
    title->addWidget(heading);
    title->addStretch();
    QPushButton* showFolder = smallButton(tr("Show in File Manager"), "showDataFolder");
    connect(showFolder, &QPushButton::clicked, controller_, &ResourcesController::showDataFolder);
    title->addWidget(showFolder);
    lines->addWidget(titleRow);

    storageBar_ = new StorageBar;
    storageBar_->setObjectName("storageBar");
    lines->addWidget(storageBar_);
    storageUsage_ = textLabel(Theme::TextStyle::caption, Theme::Level::secondary);
    storageUsage_->setObjectName("storageUsage");
    lines->addWidget(storageUsage_);

    auto* legendRow = new QWidget;
    QHBoxLayout* legend = row(legendRow, 16);
    videoSize_ = addLegendItem(legend, Theme::sky.pastel, tr("Screen video"), "videoSize");
    textSize_ = addLegendItem(legend, Theme::peach.pastel, tr("Text & index"), "textSize");
    legend->addStretch();
    storageCounts_ = textLabel(Theme::TextStyle::caption, Theme::Level::secondary);
    storageCounts_->setObjectName("storageCounts");
    legend->addWidget(storageCounts_);
    lines->addWidget(legendRow);

    oldestMemory_ = textLabel(Theme::TextStyle::caption, Theme::Level::secondary);
    oldestMemory_->setObjectName("oldestMemory");
    lines->addWidget(oldestMemory_);

    auto* maintenanceRow = new QWidget;
    QHBoxLayout* maintenance = row(maintenanceRow, 8);
    tidyUp_ = smallButton(tr("Tidy up now"), "tidyUp");
    connect(tidyUp_, &QPushButton::clicked, controller_, &ResourcesController::tidyUp);
    maintenance->addWidget(tidyUp_);
    maintenanceIndicator_ = new ActivityIndicator(smallIndicatorSide);
    maintenanceIndicator_->setObjectName("maintenanceIndicator");
    maintenance->addWidget(maintenanceIndicator_);
    maintenance->addStretch();
    ocrBacklog_ = textLabel(Theme::TextStyle::caption, Theme::Level::secondary);
    ocrBacklog_->setObjectName("ocrBacklog");
    maintenance->addWidget(ocrBacklog_);
    lines->addWidget(maintenanceRow);
    return new Card(content);
}

QWidget* ResourcesScreen::makeEnergyCard() {
    auto* content = new QWidget;
    QVBoxLayout* lines = column(content, 8);
    QLabel* heading = textLabel(Theme::TextStyle::headline);
    heading->setText(tr("How Vesperline saves energy right now"));
    lines->addWidget(heading);
    for (int i = 0; i < energyLineCount; ++i) {
        auto* line = new QWidget;
        QHBoxLayout* layout = row(line, 8);
        layout->addWidget(new SymbolLabel("leaf.fill", Theme::TextStyle::caption, Theme::green), 0,
                          Qt::AlignTop);
        QLabel* text = textLabel(Theme::TextStyle::callout, Theme::Level::primary, std::nullopt, true);
        text->setObjectName(QStringLiteral("energyLine%1").arg(i));
        layout->addWidget(text, 1);
        lines->addWidget(line);
        energyLines_.push_back({line, text});
    }
    return new Card(content);
}

void ResourcesScreen::drawButtonSymbols() {
    // In the button's own text colour, which follows the appearance.
    const int side = QFontMetrics(tidyUp_->font()).ascent();
    tidyUp_->setIcon(
        QIcon(Symbols::pixmap("arrow.triangle.2.circlepath", side,
                              tidyUp_->palette().color(QPalette::ButtonText), devicePixelRatioF())));
    tidyUp_->setIconSize(QSize(side, side));
}

void ResourcesScreen::render() {
    summary_->setText(controller_->summary());
    footnote_->setText(controller_->footnote());

    const std::array<ResourcesTexts::StatCard, 4> cards = controller_->statCards();
    for (std::size_t i = 0; i < cards.size(); ++i) {
        statCards_[i].title->setText(cards[i].title);
        statCards_[i].value->setText(cards[i].value);
        statCards_[i].detail->setText(cards[i].detail);
    }

    const ostrel::StorageBreakdown& storage = controller_->storage();
    storageBar_->setFigures(storage.segmentBytes, storage.databaseBytes, controller_->diskCapGB());
    storageUsage_->setText(controller_->storageUsage());
    videoSize_->setText(controller_->videoSize());
    textSize_->setText(controller_->textSize());
    storageCounts_->setText(controller_->storageCounts());
    const std::optional<QString> oldest = controller_->oldestMemory();
    oldestMemory_->setText(oldest.value_or(QString()));
    oldestMemory_->setVisible(oldest.has_value());
    const bool running = controller_->maintenanceRunning();
    tidyUp_->setEnabled(!running);
    maintenanceIndicator_->setVisible(running);
    const std::optional<QString> backlog = controller_->ocrBacklog();
    ocrBacklog_->setText(backlog.value_or(QString()));
    ocrBacklog_->setVisible(backlog.has_value());

    const QStringList energy = controller_->energySavingLines();
    for (std::size_t i = 0; i < energyLines_.size(); ++i) {
        const bool shown = static_cast<qsizetype>(i) < energy.size();
        energyLines_[i].text->setText(shown ? energy[static_cast<qsizetype>(i)] : QString());
        energyLines_[i].row->setVisible(shown);
    }
}

void ResourcesScreen::renderChart() {
    const std::vector<ResourcesController::EnergyBar> bars = controller_->energyBars();
    noData_->setVisible(bars.empty());
    chart_->setVisible(!bars.empty());

    QChart* chart = ChartStyle::plainChart();

    // One set per day with its value at its own place: stacked, each bar is one day in its own hue.
    auto* series = new QStackedBarSeries;
    QStringList categories;
    double highest = 0;
    for (std::size_t i = 0; i < bars.size(); ++i) {
        auto* set = new QBarSet(bars[i].label);
        for (std::size_t j = 0; j < bars.size(); ++j) {
            *set << (i == j ? bars[i].wattHours : 0.0);
        }
        set->setBrush(Theme::colorGradient(
            Theme::hues[static_cast<std::size_t>(bars[i].hue) % Theme::hues.size()].pastel));
        set->setPen(Qt::NoPen);
        series->append(set);
        categories << bars[i].label;
        highest = std::max(highest, bars[i].wattHours);
    }
    chart->addSeries(series);

    auto* days = new QBarCategoryAxis;
    days->append(categories);
    ChartStyle::styleAxis(days, palette());
    days->setGridLineVisible(false);
    auto* energy = new QValueAxis;
    energy->setTitleText(tr("Energy (Wh)"));
    ChartStyle::styleAxis(energy, palette());
    energy->setRange(0, highest > 0 ? highest : 1);
    energy->applyNiceNumbers();
    chart->addAxis(days, Qt::AlignBottom);
    chart->addAxis(energy, Qt::AlignLeft);
    series->attachAxis(days);
    series->attachAxis(energy);

    QChart* previous = chart_->chart();
    chart_->setChart(chart);
    delete previous;
}

void ResourcesScreen::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        controller_->setShown(true);
    }
}

void ResourcesScreen::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) {
        controller_->setShown(false);
    }
}

void ResourcesScreen::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        renderChart(); // the chart's axes take the palette's colours when drawn
        drawButtonSymbols();
    }
}

} // namespace vesperline
