#pragma once

#include "export/ReportPage.h"
#include "export/WorkbookTable.h"

#include <QFont>
#include <QVector>

#include <functional>

// A table of the report laid out over pages: column widths, header height and, for a table
// whose texts wrap, the height of each row; then painted a header row and a row at a time
// wherever the report's pages put them. The table must outlive it.
class ReportTable
{
public:
    // Readings keep one line per row; a wrapping table (the comparison) lets its sentences
    // take more lines, in the smaller font.
    ReportTable(ReportPage &page, const WorkbookTable &table, bool wrap);

    double headerHeight() const { return block.headerHeight; }
    double rowHeight(int r) const;
    // How many rows of one line fit from `top` down to the footer, below a header row.
    int rowsFrom(double top) const;

    // The header row and the first `n` rows: what should stay on the page of a title.
    double leadHeight(int n) const;
    // Every row from `y` on (paint false: only measured), the header row on top of each
    // page and at least one row per page however tall; `nextPage` ends the page and returns
    // where the next one starts. Returns where the next block may start.
    double flow(bool paint, double y, const std::function<double()> &nextPage);

    // Each returns where the next row may start.
    double paintHeader(double y);
    double paintRow(int r, double y);

private:
    struct Block
    {
        const WorkbookTable *table = nullptr;
        QFont headerFont;
        QFont font;
        QVector<double> widths;
        QVector<int> headerFlags; // how each header wraps
        double headerHeight = 0;
        bool wrap = false;
        QVector<double> heights;
    };

    bool headerWordsFit() const;
    // `wrapWords`: when even the smallest header letters leave a header's word broken, cells of
    // several words may wrap instead.
    QVector<double> wrappingWidths(const QVector<QStringList> &rows, bool wrapWords = false) const;

    ReportPage &page;
    Block block;
};
