// Building blocks of the records page's charts: dark charts and axes, the limit lines, the
// hint over an empty chart, round axis ranges.
#include "recordspage/ChartParts.h"

#include "analysis/ReadingsAnalysis.h"
#include "records/RecordsModel.h"
#include "recordspage/BandDelegate.h"

#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QLabel>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

namespace ChartParts {

// The smallest of 1, 2 or 5 times a power of ten that is at least `raw`.
double roundStep(double raw)
{
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * p >= raw)
            return m * p;
    return 10.0 * p;
}

QChart *makeChart()
{
    auto *chart = new QChart;
    chart->setTheme(QChart::ChartThemeDark);
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->legend()->setAlignment(Qt::AlignBottom);
    QFont small = chart->legend()->font();
    small.setPointSize(8);
    chart->legend()->setFont(small);
    return chart;
}

QValueAxis *makeAxis(QChart *chart, Qt::Alignment side)
{
    auto *axis = new QValueAxis(chart);
    // Small type: the charts share the page's height with the table and the statistics.
    QFont title = axis->titleFont();
    title.setPointSize(8);
    axis->setTitleFont(title);
    QFont labels = axis->labelsFont();
    labels.setPointSize(8);
    axis->setLabelsFont(labels);
    chart->addAxis(axis, side);
    return axis;
}

// A chart's data series and its four limit lines (minimum, nominal - tolerance, nominal,
// maximum) over it, all on a new pair of axes; the axes are returned.
std::pair<QValueAxis *, QValueAxis *> addLimitLinesAndAxes(QChart *chart, QAbstractSeries *data, QLineSeries *(&lines)[4])
{
    const QColor colours[] = {BandDelegate::background(Band::Red), BandDelegate::background(Band::Amber),
                              QColor(0xA5, 0xD6, 0xA7), QColor(0x64, 0xB5, 0xF6)};
    const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::SolidLine};
    for (int k = 0; k < 4; ++k) {
        auto *line = new QLineSeries(chart);
        QPen pen(colours[k]);
        pen.setWidth(2);
        pen.setStyle(styles[k]);
        line->setPen(pen);
        chart->addSeries(line);
        lines[k] = line;
    }
    QValueAxis *x = makeAxis(chart, Qt::AlignBottom);
    QValueAxis *y = makeAxis(chart, Qt::AlignLeft);
    data->attachAxis(x);
    data->attachAxis(y);
    for (QLineSeries *line : lines) {
        line->attachAxis(x);
        line->attachAxis(y);
    }
    return {x, y};
}

QLabel *hintOver(QChartView *view)
{
    auto *hint = new QLabel(view);
    hint->setAlignment(Qt::AlignCenter);
    hint->setWordWrap(true);
    hint->setAttribute(Qt::WA_TransparentForMouseEvents);
    hint->setStyleSheet(QStringLiteral("color:#E6E6E6;background:transparent;"));
    auto *centre = new QVBoxLayout(view);
    centre->addWidget(hint);
    return hint;
}

// The lines drawn for limits: minimum, nominal - tolerance, nominal, maximum; NaN: not drawn.
std::array<double, 4> limitValues(const ReadingsAnalysis &analysis, int column)
{
    const double none = std::numeric_limits<double>::quiet_NaN();
    std::array<double, 4> v{none, none, none, none};
    // The limits of the charted layer only.
    const std::optional<Limits> l = column < 0 ? std::nullopt : analysis.columnLimits(column);
    if (!l)
        return v;
    v[0] = l->minimum;
    if (l->tolerance > 0)
        v[1] = l->nominal - l->tolerance;
    v[2] = l->nominal;
    if (l->maximum)
        v[3] = *l->maximum;
    return v;
}

QString limitName(int k, double value, int decimals)
{
    static const char *const names[] = {QT_TRANSLATE_NOOP("ChartsPanel", "Minimum"),
                                        QT_TRANSLATE_NOOP("ChartsPanel", "Nominal − tol."),
                                        QT_TRANSLATE_NOOP("ChartsPanel", "Nominal"),
                                        QT_TRANSLATE_NOOP("ChartsPanel", "Maximum")};
    return QCoreApplication::translate("ChartsPanel", names[k]) + QLatin1Char(' ')
        + RecordsModel::formatValue(value, decimals);
}

// The range widened to round ticks about three steps apart (1, 2 or 5 times a power of ten);
// never below `floor` (a thickness axis does not run below zero for positive readings).
void setRoundRange(QValueAxis *axis, double lo, double hi, double floor)
{
    const double raw = (hi - lo) / 3.0;
    const double step = roundStep(raw);
    const double first = std::max(floor, std::floor(lo / step) * step);
    const double last = std::ceil(hi / step) * step;
    axis->setRange(first, last);
    axis->setTickCount(int(std::lround((last - first) / step)) + 1);
}

// Ticks on whole numbers (reading numbers, counts) about five steps apart.
void setWholeTicks(QValueAxis *axis, double first, double last)
{
    const double raw = std::max(1.0, (last - first) / 5.0);
    const double step = roundStep(raw);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(step);
}

// The smallest of 1, 2, 5 times a power of ten, or 10, 12, 15, 20, ... 90 of them, at least n.
double roundUp(int n)
{
    const double p = std::pow(10.0, std::max(0.0, std::floor(std::log10(double(n))) - 1));
    return std::ceil(double(n) / p) * p;
}

} // namespace ChartParts
