#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

class QTableWidget;

namespace ExportTestSupport {

// A records table as the records page builds it: headers with units, centred items, and an
// Operation column whose cells hold only a button. rows[i] lists the texts of one row.
void fillTable(QTableWidget *table, const QStringList &headers, const QList<QStringList> &rows);

// The workbook as python3-xlrd reads it: {"sheets":[{"name","cells":[{row,column,type,value,align,format}]}]}.
QJsonObject readWorkbook(const QString &path);
// The cell (1-based) of a sheet read by readWorkbook, or an empty object.
QJsonObject cellAt(const QJsonObject &workbook, int sheet, int row, int column);
// Height of a sheet row (1-based) in twips, or -1 when the file gives none.
int rowHeight(const QJsonObject &workbook, int sheet, int row);
// Number of non-empty cells in a sheet.
int cellCount(const QJsonObject &workbook, int sheet);

// Office processes this test process started that are still alive.
int officeProcessesLeft();
// Files in a folder other than the given ones (lock files and temporary workbooks included).
QStringList strayFiles(const QString &folder, const QStringList &expected);

} // namespace ExportTestSupport
