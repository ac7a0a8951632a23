#include "session/ExportTable.h"

#include "records/RecordsModel.h"

WorkbookTable exportTable(const RecordsModel &model, int first, int count)
{
    const QList<int> columns = model.exportedColumns();
    WorkbookTable table;
    for (int c : columns)
        table.headers << model.headerData(c, Qt::Horizontal).toString();
    first = qMax(0, first);
    const int end = int(qMin<qint64>(model.rowCount(), qint64(first) + qMax(0, count)));
    table.rows.reserve(qMax(0, end - first));
    for (int r = first; r < end; ++r) {
        QVector<WorkbookCell> row;
        row.reserve(columns.size());
        for (int c : columns) {
            const int value = model.valueIndex(c);
            const int decimals = model.decimals(c);
            if (value < 0) // the name, or the single-layer record number (text: no statistics of it)
                row.append(WorkbookCell::ofText(model.text(r, c)));
            else if (model.isOutOfRange(r, value))
                row.append(WorkbookCell::ofOutOfRange(RecordsModel::outOfRangeWord()));
            else
                row.append(WorkbookCell::ofNumber(RecordsModel::shownValue(double(model.value(r, value)), decimals),
                                                  decimals));
        }
        table.rows.append(std::move(row));
    }
    return table;
}
