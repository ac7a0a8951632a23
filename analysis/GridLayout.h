#pragma once

#include <QString>
#include <QStringView>
#include <QVector>

#include <limits>
#include <vector>

// The shape of a grid survey area, how its cells are named, and the walks in which readings
// that carry no cell name of their own fill it. Pure data and arithmetic: no store, no widgets.
//
// Rows are numbered 1…999. Columns are labelled A…Z, then AA, BB, CC, …, ZZ: 26 single letters
// and 26 doubled letters, 52 columns in all. A cell is named by its column label and row number
// in either order ("B12" or "12B"), upper or lower case, blanks around it ignored.

// One cell. `row` counts from 1 (the label), `column` from 0 (A = 0, Z = 25, AA = 26, ZZ = 51).
struct GridCell
{
    int row = 0;
    int column = -1;

    bool isValid() const { return row >= 1 && column >= 0; }
    bool operator==(const GridCell &other) const { return row == other.row && column == other.column; }
    bool operator!=(const GridCell &other) const { return !(*this == other); }
};

// Where a walk starts. Top is row 1, left is column A.
enum class WalkCorner : quint8 { TopLeft = 0, TopRight = 1, BottomLeft = 2, BottomRight = 3 };
// AlongRows: fill a row, then move to the next row; AlongColumns: likewise by columns.
enum class WalkAxis : quint8 { AlongRows = 0, AlongColumns = 1 };
// Straight: every line runs the same way; Snaking: each line runs back along the previous one.
enum class WalkStyle : quint8 { Straight = 0, Snaking = 1 };

// 4 corners × 2 axes × 2 styles = 16 patterns.
struct WalkPattern
{
    WalkCorner corner = WalkCorner::TopLeft;
    WalkAxis axis = WalkAxis::AlongRows;
    WalkStyle style = WalkStyle::Straight;

    bool operator==(const WalkPattern &o) const
    {
        return corner == o.corner && axis == o.axis && style == o.style;
    }
    bool operator!=(const WalkPattern &o) const { return !(*this == o); }
};

class GridLayout
{
public:
    static constexpr int MaxRows = 999;
    static constexpr int MaxColumns = 52;

    GridLayout() = default; // 0 × 0: not a grid yet
    GridLayout(int rows, int columns);

    // Column label of an index 0…51 ("A", "Z", "AA", "ZZ"); empty when out of range.
    static QString columnLabel(int column);
    // Index of a column label, case-insensitive; -1 for anything that is not one of the 52.
    static int columnIndex(QStringView label);
    // "B12" for row 12, column B; empty for an invalid cell.
    static QString cellName(GridCell cell);
    // The cell a name denotes within the largest grid (rows 1…999, columns A…ZZ); an invalid
    // cell for anything else. Leading zeros of the row are accepted ("B012" is B12).
    static GridCell parseCellName(QStringView name);

    // Sets the size; refused (false, nothing changed) outside 1…999 rows or 1…52 columns.
    // Masks of cells still inside the grid are kept.
    bool setSize(int rows, int columns);
    int rows() const { return m_rows; }
    int columns() const { return m_columns; }
    int cellCount() const { return m_rows * m_columns; }
    bool isValid() const { return m_rows > 0 && m_columns > 0; }
    bool contains(GridCell cell) const;

    // As parseCellName, but also invalid when the cell lies outside this grid.
    GridCell cellFromName(QStringView name) const;
    // "A1,B2:C4": cells and ranges (the rectangle between two corners) of this grid, in the
    // order given. False with the part that is no cell of it in *bad.
    bool cellsFromText(const QString &text, QVector<GridCell> *cells, QString *bad = nullptr) const;

    // Distance between neighbouring cells in mm, for areas; NaN when not given.
    double pitchMm() const { return m_pitchMm; }
    void setPitchMm(double pitch) { m_pitchMm = pitch; }

    // A masked cell is not measured: walks skip it. Cells outside the grid are ignored.
    void setMasked(GridCell cell, bool masked);
    bool isMasked(GridCell cell) const;
    QVector<GridCell> maskedCells() const; // row by row, for saving
    int maskedCount() const;

    // Every unmasked cell, in the order a walk fills them.
    QVector<GridCell> walkOrder(WalkPattern pattern) const;
    // The unmasked cell the walk reaches after `after`; the first one when `after` is invalid
    // or outside the grid; an invalid cell when the walk is over. `after` may itself be masked.
    GridCell nextCell(WalkPattern pattern, GridCell after) const;

    bool operator==(const GridLayout &other) const;
    bool operator!=(const GridLayout &other) const { return !(*this == other); }

private:
    int index(GridCell cell) const { return (cell.row - 1) * m_columns + cell.column; }

    int m_rows = 0;
    int m_columns = 0;
    double m_pitchMm = std::numeric_limits<double>::quiet_NaN();
    std::vector<bool> m_masked; // by index(), row by row
};
