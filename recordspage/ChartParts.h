#pragma once

#include <QString>
#include <QtGlobal>
#include <QtNumeric>

#include <array>
#include <utility>

class QAbstractSeries;
class QChart;
class QChartView;
class QLabel;
class QLineSeries;
class QValueAxis;
class ReadingsAnalysis;

// Building blocks of the records page's charts.
namespace ChartParts {

// The smallest of 1, 2 or 5 times a power of ten that is at least `raw`.
double roundStep(double raw);
// A dark chart with a small legend below it, and a value axis on one of its sides.
QChart *makeChart();
QValueAxis *makeAxis(QChart *chart, Qt::Alignment side);
// A chart's data series and its four limit lines (minimum, nominal - tolerance, nominal,
// maximum) over it, all on a new pair of axes (x, y).
std::pair<QValueAxis *, QValueAxis *> addLimitLinesAndAxes(QChart *chart, QAbstractSeries *data, QLineSeries *(&lines)[4]);
// A centred label over a chart view, for what an empty chart has to say.
QLabel *hintOver(QChartView *view);
// The limit lines' values for a column: minimum, nominal - tolerance, nominal, maximum; NaN: not drawn.
std::array<double, 4> limitValues(const ReadingsAnalysis &analysis, int column);
// A limit line's name and value, as its hover text says it.
QString limitName(int k, double value, int decimals);
// The range widened to round ticks about three steps apart; never below `floor` (a thickness
// axis does not run below zero for positive readings).
void setRoundRange(QValueAxis *axis, double lo, double hi, double floor = -qInf());
// Ticks on whole numbers (reading numbers, counts) about five steps apart.
void setWholeTicks(QValueAxis *axis, double first, double last);
// The smallest of 1, 2, 5 times a power of ten, or 10, 12, 15, 20, ... 90 of them, at least n.
double roundUp(int n);

} // namespace ChartParts
