#include "UI/Journal/HourChart.h"

#include "UI/Journal/ChartLegend.h"
#include "UI/Shared/ChartStyle.h"
#include "UI/Theme/Theme.h"

#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QEvent>
#include <QMouseEvent>
#include <QStackedBarSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <array>
#include <cmath>

namespace vesperline {

namespace {

constexpr int hours = 24;
constexpr int labelEvery = 3;
constexpr int legendGap = 6;

// The colour a series is drawn in: a top app's hue, or a faint grey for "Other".
QBrush seriesBrush(const JournalChart::Series& series, const QPalette& palette) {
    if (series.hue) {
        return Theme::colorGradient(Theme::hues[*series.hue % Theme::hues.size()].pastel);
    }
    QColor other = Theme::textColor(palette, Theme::Level::secondary);
    other.setAlphaF(other.alphaF() * 0.35f);
    return other;
}

} // namespace

HourChart::HourChart(QWidget* parent) : QWidget(parent), view_(new QChartView), legend_(new ChartLegend) {
    setFixedHeight(fixedHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(legendGap);
    view_->setObjectName("hourChartView");
    ChartStyle::prepareView(view_);
    view_->viewport()->setCursor(Qt::PointingHandCursor);
    view_->viewport()->installEventFilter(this);
    legend_->setObjectName("hourChartLegend");
    layout->addWidget(view_, 1);
    layout->addWidget(legend_);
    render();
}

void HourChart::setChart(const JournalChart::Chart& chart) {
    chart_ = chart;
    render();
}

void HourChart::render() {
    QChart* chart = ChartStyle::plainChart(); // the legend below lists the series from the leading edge

    // Minutes per series and hour: slices of one app and hour, or of several "Other" apps, add up.
    std::vector<std::array<double, hours>> minutes(chart_.series.size(), std::array<double, hours>{});
    for (const JournalChart::Entry& entry : chart_.entries) {
        if (entry.series < minutes.size() && entry.hour >= 0 && entry.hour < hours) {
            minutes[entry.series][static_cast<std::size_t>(entry.hour)] += entry.minutes;
        }
    }
    std::array<double, hours> stacked{};
    series_ = new QStackedBarSeries;
    std::vector<ChartLegend::Item> legend;
    for (std::size_t i = 0; i < chart_.series.size(); ++i) {
        auto* set = new QBarSet(chart_.series[i].name);
        for (int hour = 0; hour < hours; ++hour) {
            *set << minutes[i][static_cast<std::size_t>(hour)];
            stacked[static_cast<std::size_t>(hour)] += minutes[i][static_cast<std::size_t>(hour)];
        }
        const QBrush brush = seriesBrush(chart_.series[i], palette());
        set->setBrush(brush);
        set->setPen(Qt::NoPen);
        series_->append(set);
        legend.push_back({chart_.series[i].name, brush});
    }
    series_->setBarWidth(0.7);
    chart->addSeries(series_);
    legend_->setItems(std::move(legend));

    // Bar i stands at x = i; the whole day is on the axis whatever hours hold activity.
    auto* hourAxis = new QValueAxis;
    hourAxis->setRange(-0.5, hours - 0.5);
    hourAxis->setTickType(QValueAxis::TicksDynamic);
    hourAxis->setTickAnchor(0);
    hourAxis->setTickInterval(labelEvery);
    hourAxis->setLabelFormat(QStringLiteral("%02d:00"));
    hourAxis->setMinorTickCount(0);
    ChartStyle::styleAxis(hourAxis, palette());
    auto* minuteAxis = new QValueAxis;
    minuteAxis->setTitleText(tr("minutes"));
    minuteAxis->setLabelFormat(QStringLiteral("%g"));
    ChartStyle::styleAxis(minuteAxis, palette());
    const double highest = *std::max_element(stacked.begin(), stacked.end());
    minuteAxis->setRange(0, highest > 0 ? highest : 1);
    minuteAxis->applyNiceNumbers();
    chart->addAxis(hourAxis, Qt::AlignBottom);
    chart->addAxis(minuteAxis, Qt::AlignLeft);
    series_->attachAxis(hourAxis);
    series_->attachAxis(minuteAxis);

    QChart* previous = view_->chart();
    view_->setChart(chart);
    delete previous;
}

std::optional<int> HourChart::hourAt(const QPoint& position) const {
    QChart* chart = view_->chart();
    if (!series_ || chart->plotArea().width() <= 0) {
        return std::nullopt;
    }
    const QPointF value = chart->mapToValue(chart->mapFromScene(view_->mapToScene(position)), series_);
    if (!std::isfinite(value.x())) {
        return std::nullopt;
    }
    // The nearest bar; a point far beside the bars still names an hour just outside the day.
    return static_cast<int>(std::lround(std::clamp(value.x(), -1.0, double(hours))));
}

bool HourChart::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* click = static_cast<QMouseEvent*>(event);
        if (click->button() == Qt::LeftButton) {
            if (const std::optional<int> hour = hourAt(click->position().toPoint())) {
                emit hourClicked(*hour);
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void HourChart::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        render(); // the axes and the "Other" grey take the palette's colours when drawn
    }
}

} // namespace vesperline
