#pragma once

#include "analysis/ExtremeValue.h"
#include "analysis/GridSummary.h"
#include "store/Places.h"

#include <QHash>
#include <QString>
#include <QVector>

#include <limits>

// One grid CML read from the survey file: its shape, and the thickness of every cell in each
// survey that measured it; the wall loss between two surveys; the history of one cell; and the
// extreme-value estimate of the thinnest wall over the area. What the window's map, the asset
// report and the tool's `grid show` read, so every figure they give comes from one place.
//
// A cell measured more than once in a survey counts with its newest reading (the later one
// replaced it). Values are in the unit of the newest survey read (`unit()`); a survey in the
// other unit is converted (mm and inch only).

// One survey of the grid: one value per cell, row by row ((row − 1)·columns + column), NaN where
// it measured none (or the gauge flagged the reading out of range).
struct GridSurveyValues
{
    qint64 survey = 0;
    qint64 dateMs = 0;              // of its newest reading on the grid
    QVector<double> values;
    QVector<qint64> keys;           // the reading behind each value (0: none)
    int readings = 0;               // its readings on the grid with a cell
    int withoutCell = 0;            // its readings on the grid's CML without one
};

// How the extreme-value estimate samples the grid. Each block is a tile of blockRows ×
// blockColumns cells (tiles at the grid's edge may be smaller); a tile with no measured (or
// chosen) cell is not a sample. Its thinnest reading is the block minimum; the loss is the
// reference minus it.
struct UnseenOptions
{
    static constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

    int blockRows = 1;      // >= 1
    int blockColumns = 0;   // 0: every column (each block a whole row)
    // Only these cells count (empty: every unmasked cell).
    QVector<GridCell> cells;
    // The whole area the estimate is for, in m² (NaN: the grid's own area). Needs the pitch.
    double totalAreaM2 = NaN;
    // The thickness losses are counted from (NaN: the CML's nominal, else the thickest reading
    // of the survey), in the grid's unit.
    double reference = NaN;
};

struct UnseenMinimum
{
    ThinnestWallEstimate estimate;  // its refusal says why there is none
    // The assumptions, as said beside the figure.
    int blocks = 0;
    int cellsPerBlock = 0;          // of a whole tile
    double blockArea = UnseenOptions::NaN; // m² when the pitch is known, else in cells
    double totalArea = UnseenOptions::NaN; // likewise
    bool areasInCells = false;      // no pitch: areas counted in cells
    bool referenceIsNominal = false;
    int measuredCells = 0;
    double thinnestMeasured = UnseenOptions::NaN;
    GridCell thinnestCell;
};

class GridBook
{
public:
    explicit GridBook(Places &places);

    // Reads the grid CML and all its readings. False when it is not a grid (problem: not a
    // grid) or the store failed (places.problem() says why).
    bool load(qint64 cml);
    bool loaded() const { return m_loaded; }

    const Cml &cml() const { return m_cml; }
    const GridDefinition &grid() const { return m_grid; }
    QString unit() const { return m_unit; }          // "mm" or "inch"; "mm" with no readings
    int decimals() const;                            // 2 for mm, 3 for inch

    // The surveys with readings on the grid, oldest first.
    QVector<qint64> surveys() const;
    // One survey (0: the newest); values empty when it has none on the grid.
    GridSurveyValues values(qint64 survey = 0) const;
    // The wall loss from `from` to `to` (0: the newest), per cell: from − to where both measured.
    QVector<double> loss(qint64 from, qint64 to = 0) const;
    GridSummary summary(qint64 survey = 0) const;
    // Every reading of one cell over the surveys, oldest first, thickness in unit().
    QVector<GridReading> cellHistory(GridCell cell) const;

    // The thinnest wall over the area, estimated from one survey (0: the newest).
    UnseenMinimum unseenMinimum(qint64 survey, const UnseenOptions &options) const;

private:
    Places &m_places;
    bool m_loaded = false;
    Cml m_cml;
    GridDefinition m_grid;
    QString m_unit;
    QVector<GridReading> m_readings; // by survey, then in the order taken; thickness in m_unit
};
