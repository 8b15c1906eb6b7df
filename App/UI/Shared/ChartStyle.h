#pragma once

#include <QPalette>

class QAbstractAxis;
class QChart;
class QChartView;

// How the screens' charts look: drawn straight onto their card, with axes in the caption style and
// the palette's secondary text and separator colours.
namespace vesperline::ChartStyle {

// A chart without legend, ground or margins of its own.
QChart* plainChart();
// Lets the card's ground show through the view and smooths its drawing.
void prepareView(QChartView* view);
// The axis's labels and title in the caption style and secondary colour, its lines in the separator's.
void styleAxis(QAbstractAxis* axis, const QPalette& palette);

} // namespace vesperline::ChartStyle
