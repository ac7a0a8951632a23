#pragma once

#include "export/WorkbookTable.h"

#include <QString>
#include <QVector>

// A rectangle of sheet cells: 0-based rows and columns, both ends included.
struct CellRect
{
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;

    bool operator==(const CellRect &o) const
    {
        return top == o.top && left == o.left && bottom == o.bottom && right == o.right;
    }
};

// The number cells that show one number of decimals.
struct FormatRects
{
    int decimals = 0;
    QVector<CellRect> rects;
};

// What one round of office calls writes for a band of sheet rows. The office takes a whole
// rectangle per call, so a band costs a handful of calls however many cells it has.
struct CellBand
{
    // Every non-empty cell, as rectangles: their values go in one call per rectangle, and
    // all of them are centred. Empty cells are left out, so whatever the starting workbook
    // has there stays.
    QVector<CellRect> filled;
    // Number cells grouped by decimals (ascending), each group one number format.
    QVector<FormatRects> formats;
    // Rows holding a text with a line break: their height is fitted so every line shows.
    QVector<int> lineBreakRows;
};

// A table laid out on a sheet: the headers in row 0, table row r in sheet row r + 1, table
// column c in sheet column c. The table must outlive this view.
class SheetCells
{
public:
    // What an .xls (BIFF8) sheet holds; the office drops cells beyond it silently on saving.
    static constexpr int kXlsRows = 65536;
    static constexpr int kXlsColumns = 256;

    explicit SheetCells(const WorkbookTable &table);

    // Sheet rows, the header row included.
    int rowCount() const { return int(table.rows.size()) + 1; }
    // The widest of the header row and the table rows.
    int columnCount() const { return columns; }
    // The cell at a sheet position; an Empty one where the table has none.
    const WorkbookCell &at(int row, int column) const;

    // Why the table cannot be written to an .xls sheet, or an empty string when it can:
    // too many rows or columns, or a number the format cannot hold (NaN, infinity).
    QString problem() const;

    // The cells of sheet rows first..last (inclusive) grouped for writing. Negative
    // decimals are shown as none.
    CellBand band(int first, int last) const;

private:
    const WorkbookTable &table;
    QVector<WorkbookCell> headerCells;
    int columns = 0;
};
