#pragma once

#include "analysis/GridSummary.h"
#include "analysis/Limits.h"

#include <QColor>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QVector>

#include <optional>

class QPainter;

// A colour map of one grid survey area drawn with a QPainter on any device (widget, image, PDF):
// cells on a continuous colour scale (red where the wall is worst, through yellow and green to
// blue), masked cells hatched grey, unmeasured cells blank, the worst cell ringed and named, the
// worst value of every row down the right margin and of every column along the bottom, a
// colour-scale legend, and row and column labels thinned out to what fits.
struct GridMapInput
{
    const GridLayout *layout = nullptr; // required
    QVector<double> values;             // one per cell, row by row; NaN: not measured
    GridQuantity quantity = GridQuantity::Thickness;
    QString unit;                       // "mm", "inch"
    int decimals = 2;                   // of every value shown
    // Thickness only, in the map's unit: cells under nominal, under the minimum or above the
    // maximum are outlined and hatched in their band's colour (when cells are large enough to
    // show it).
    std::optional<Limits> limits;
    QString title;                      // drawn above the map when not empty
};

class GridMap
{
public:
    explicit GridMap(GridMapInput input);

    // Draws into `area` (device coordinates) and keeps the cell geometry for hitTest.
    void draw(QPainter &painter, const QRectF &area);
    // The cell under `point`; invalid outside the cells or before draw().
    GridCell hitTest(const QPointF &point) const;
    // Where a cell was drawn; empty for a cell outside the grid or before draw().
    QRectF cellRect(GridCell cell) const;
    // Computed once from the input, without drawing.
    const GridSummary &summary() const { return m_summary; }

    // The colour of a value on the scale [low, high] (the worst end red), as the map paints it.
    static QRgb rampColour(double value, double low, double high, GridQuantity quantity);
    // The colour of the worst cell's ring.
    static QColor markColour();

private:
    GridMapInput m_in;
    GridSummary m_summary;
    QRectF m_cells;          // the cell area of the last draw
    double m_cellWidth = 0;  // of one cell
    double m_cellHeight = 0;
};

// Draws the map into a PNG image of `size` pixels on white and writes it atomically. False with
// the reason in `error` when the input cannot be drawn or the file cannot be written.
bool writeGridMapPng(const GridMapInput &input, QSize size, const QString &path, QString *error);
