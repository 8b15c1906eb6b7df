#pragma once

#include "UI/Journal/JournalChart.h"

#include <QWidget>

class QChartView;
class QStackedBarSeries;

namespace vesperline {

class ChartLegend;

// The journal's hour-by-hour chart: one stacked bar per hour of the day (all 24 always on the axis,
// labelled every third hour), a segment per app in its series' colour, and the legend under it. A
// click anywhere on it reports the hour under the pointer, which may lie outside 0...23 beside the
// bars.
class HourChart final : public QWidget {
    Q_OBJECT

  public:
    static constexpr int fixedHeight = 220;

    explicit HourChart(QWidget* parent = nullptr);

    void setChart(const JournalChart::Chart& chart);
    const JournalChart::Chart& chart() const { return chart_; }
    QChartView* view() const { return view_; }
    QStackedBarSeries* series() const { return series_; }
    ChartLegend* legend() const { return legend_; }

    // The hour whose bar lies at `position` (the chart view's coordinates) horizontally; none when the
    // chart cannot tell.
    std::optional<int> hourAt(const QPoint& position) const;

  signals:
    void hourClicked(int hour);

  protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Draws the chart again in the current palette.
    void render();

    JournalChart::Chart chart_;
    QChartView* view_;
    QStackedBarSeries* series_ = nullptr;
    ChartLegend* legend_;
};

} // namespace vesperline
