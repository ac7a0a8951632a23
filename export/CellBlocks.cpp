#include "export/CellBlocks.h"

#include <QHash>
#include <QMap>
#include <cmath>

namespace {

const WorkbookCell kEmpty;

// Rectangles covering exactly the cells of rows first..last whose key(row, column) is not
// negative, one set per key: runs of neighbouring cells with the same key in a row, then a
// run grows downwards while the next row has a run of that key over exactly its columns.
template<typename Key>
QMap<int, QVector<CellRect>> rectanglesByKey(int first, int last, int columns, Key key)
{
    QMap<int, QVector<CellRect>> out;
    struct Open
    {
        int key;
        int index; // into out[key]
    };
    // (left, right) of the runs of the row above -> the rectangle they belong to.
    QHash<QPair<int, int>, Open> above, here;
    for (int row = first; row <= last; ++row) {
        here.clear();
        int column = 0;
        while (column < columns) {
            const int k = key(row, column);
            int end = column;
            while (end + 1 < columns && key(row, end + 1) == k)
                ++end;
            if (k >= 0) {
                const QPair<int, int> span(column, end);
                QVector<CellRect> &rects = out[k];
                const auto it = above.constFind(span);
                if (it != above.constEnd() && it->key == k) {
                    rects[it->index].bottom = row;
                    here.insert(span, *it);
                } else {
                    rects.append({row, column, row, end});
                    here.insert(span, {k, int(rects.size()) - 1});
                }
            }
            column = end + 1;
        }
        above.swap(here);
    }
    return out;
}

} // namespace

SheetCells::SheetCells(const WorkbookTable &table) : table(table)
{
    headerCells.reserve(table.headers.size());
    for (const QString &h : table.headers)
        headerCells.append(WorkbookCell::ofText(h));
    columns = int(table.headers.size());
    for (const auto &row : table.rows)
        columns = qMax(columns, int(row.size()));
}

const WorkbookCell &SheetCells::at(int row, int column) const
{
    const QVector<WorkbookCell> &cells = row == 0 ? headerCells : table.rows[row - 1];
    return column < cells.size() ? cells[column] : kEmpty;
}

QString SheetCells::problem() const
{
    if (rowCount() > kXlsRows)
        return QStringLiteral("%1 rows and a header row do not fit the %2 rows of an .xls sheet")
            .arg(table.rows.size())
            .arg(kXlsRows);
    if (columns > kXlsColumns)
        return QStringLiteral("%1 columns do not fit the %2 columns of an .xls sheet").arg(columns).arg(kXlsColumns);
    for (int r = 0; r < table.rows.size(); ++r)
        for (int c = 0; c < table.rows[r].size(); ++c) {
            const WorkbookCell &cell = table.rows[r][c];
            if (cell.kind == WorkbookCell::Kind::Number && !std::isfinite(cell.number))
                return QStringLiteral("row %1, column %2 holds no finite number").arg(r + 1).arg(c + 1);
        }
    return QString();
}

CellBand SheetCells::band(int first, int last) const
{
    CellBand band;
    first = qMax(first, 0);
    last = qMin(last, rowCount() - 1);
    if (first > last || columns == 0)
        return band;

    const auto filled = rectanglesByKey(first, last, columns, [this](int r, int c) {
        return at(r, c).kind == WorkbookCell::Kind::Empty ? -1 : 0;
    });
    band.filled = filled.value(0);

    const auto formats = rectanglesByKey(first, last, columns, [this](int r, int c) {
        const WorkbookCell &cell = at(r, c);
        return cell.kind == WorkbookCell::Kind::Number ? qMax(cell.decimals, 0) : -1;
    });
    for (auto it = formats.constBegin(); it != formats.constEnd(); ++it)
        band.formats.append({it.key(), it.value()});

    for (int r = first; r <= last; ++r)
        for (int c = 0; c < columns; ++c) {
            const WorkbookCell &cell = at(r, c);
            if (cell.kind == WorkbookCell::Kind::Text && cell.text.contains(QLatin1Char('\n'))) {
                band.lineBreakRows.append(r);
                break;
            }
        }
    return band;
}
