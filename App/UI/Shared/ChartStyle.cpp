#include "UI/Shared/ChartStyle.h"

#include "UI/Theme/Theme.h"

#include <QAbstractAxis>
#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>

namespace vesperline::ChartStyle {

QChart* plainChart() {
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setBackgroundVisible(false);
    chart->setPlotAreaBackgroundVisible(false);
    chart->setMargins(QMargins(0, 0, 0, 0));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    return chart;
}

void prepareView(QChartView* view) {
    view->setRenderHint(QPainter::Antialiasing);
    view->setFrameShape(QFrame::NoFrame);
    view->setBackgroundBrush(Qt::NoBrush);
    view->viewport()->setAutoFillBackground(false);
}

void styleAxis(QAbstractAxis* axis, const QPalette& palette) {
    const QFont font = Theme::font(Theme::TextStyle::caption);
    const QColor labels = Theme::textColor(palette, Theme::Level::secondary);
    const QColor lines = Theme::separator(palette);
    axis->setLabelsFont(font);
    axis->setLabelsColor(labels);
    axis->setTitleFont(font);
    axis->setTitleBrush(labels);
    axis->setGridLineColor(lines);
    axis->setLinePenColor(lines);
}

} // namespace vesperline::ChartStyle
