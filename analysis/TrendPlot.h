#pragma once

#include "analysis/CmlJudgement.h"

#include <QRectF>
#include <QString>

class QPainter;

// A CML's thickness against date, drawn with a QPainter on any device: the readings (counted,
// marked and left out drawn apart), the fitted line with its 95 % confidence band, the required
// thickness, and the projected date of reaching it. One drawing for the window's trend view
// (which adds hover and click through hitTest), the report's thumbnails and the benchmark.
struct TrendInput
{
    const CmlSeries *series = nullptr;   // required
    const CmlFigures *figures = nullptr; // required: judgeCml(*series, ...)
    QString unit;                        // axis label: "mm", "inch"
    int decimals = 2;                    // of the thickness axis and labels
    QString title;                       // drawn above the plot when not empty (e.g. the CML's tag)
    bool compact = false;                // a thumbnail: no legend, fewer ticks, smaller text
};

class TrendPlot
{
public:
    explicit TrendPlot(const TrendInput &input);

    // Draws into `area` (device coordinates). Keeps the mapping for hitTest.
    void draw(QPainter &painter, const QRectF &area);
    // The reading (index into the series) nearest `point` within `radius` pixels, -1 if none.
    // Valid after draw().
    int hitTest(const QPointF &point, double radius = 6.0) const;
    // Where a reading was drawn (valid after draw()).
    QPointF pointOf(int reading) const;

private:
    TrendInput m_in;
    QRectF m_plot;                 // the data area of the last draw
    qint64 m_fromMs = 0, m_toMs = 1;
    double m_low = 0, m_high = 1;  // thickness range
};
