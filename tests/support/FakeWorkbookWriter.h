#pragma once

// A workbook writer for tests that export without an office: it writes a small text file
// (the headers, then one line per row) so the export succeeds, or fails when told to.
#include "export/WorkbookTable.h"
#include "interaction/UserInteraction.h"

#include <QFile>
#include <QList>
#include <QStringList>

class FakeWorkbookWriter : public WorkbookWriter
{
public:
    // The next write() calls fail (no file is written).
    int failures = 0;
    // Every table handed to write(), in order, and the path it was to go to.
    QList<WorkbookTable> tables;
    QStringList paths;

    bool write(const WorkbookTable &table, const QString &path, ProgressHandle *progress) override
    {
        tables << table;
        paths << path;
        if (failures > 0) {
            --failures;
            return false;
        }
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(table.headers.join(QLatin1Char('\t')).toUtf8() + '\n');
        for (int r = 0; r < table.rows.size(); ++r) {
            QStringList cells;
            for (const WorkbookCell &cell : table.rows[r])
                cells << (cell.kind == WorkbookCell::Kind::Number ? QString::number(cell.number, 'f', cell.decimals)
                                                                  : cell.text);
            file.write(cells.join(QLatin1Char('\t')).toUtf8() + '\n');
            if (progress) {
                progress->setValue(r + 1);
                if (progress->wasCanceled())
                    return false;
            }
        }
        return true;
    }
};
