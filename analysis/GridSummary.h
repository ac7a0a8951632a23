#pragma once

#include "analysis/GridLayout.h"

#include <QVector>

#include <limits>

// What a grid's values say without drawing them: the worst cell, the worst cell of every row and
// column, and how many cells were measured. Shared by the map, the report and the tool.

// What the values of a grid are. Thin is bad for thickness; deep is bad for wall loss.
enum class GridQuantity : quint8 { Thickness = 0, WallLoss = 1 };

// The worst value on one line (or the whole grid): its cell, invalid with a NaN value when the
// line has no measured cell.
struct GridExtreme
{
    GridCell cell;
    double value = std::numeric_limits<double>::quiet_NaN();

    bool isValid() const { return cell.isValid(); }
};

struct GridSummary
{
    GridExtreme worst;            // the thinnest cell, or the deepest loss
    QVector<GridExtreme> rows;    // [row - 1]: the worst cell of each row
    QVector<GridExtreme> columns; // [column]: the worst cell of each column
    int measured = 0;             // cells with a finite value that are not masked
    int worstRow = -1;            // index into rows of the line holding `worst`, -1 without one
    int worstColumn = -1;         // index into columns likewise
};

// `values` holds one number per cell in row-by-row order ((row - 1) * columns + column); NaN is
// not measured (as is any value that is not finite). Masked cells count as not measured whatever their value. Of equal values the
// first in row-by-row order wins, so the answer does not depend on how the lines are scanned.
// A value list of the wrong length gives an empty summary (no lines, nothing measured).
GridSummary summarizeGrid(const GridLayout &layout, const QVector<double> &values, GridQuantity quantity);

// Whether `a` is worse than `b` for this quantity (NaN is never worse).
inline bool gridWorse(double a, double b, GridQuantity quantity)
{
    return quantity == GridQuantity::WallLoss ? a > b : a < b;
}
