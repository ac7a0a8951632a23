#pragma once

#include "export/WorkbookTable.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace ExportTestSupport {

inline WorkbookCell num(double value, int decimals)
{
    return WorkbookCell::ofNumber(value, decimals);
}
inline WorkbookCell txt(const QString &text)
{
    return WorkbookCell::ofText(text);
}
inline WorkbookCell none()
{
    return WorkbookCell();
}

QByteArray contents(const QString &path); // "<missing>" when it cannot be read
bool writeFile(const QString &path, const QByteArray &data);

// The workbook as python3-xlrd reads it:
// {"sheets":[{"name","cells":[{row,column,type,value,align,format}],"heights":{row:twips}}]}.
QJsonObject readWorkbook(const QString &path);
int sheetCount(const QJsonObject &workbook);
// The cell (1-based) of a sheet read by readWorkbook, or an empty object.
QJsonObject cellAt(const QJsonObject &workbook, int sheet, int row, int column);
// "<type> <value>" of a cell, and for numbers "number <value> <number format>", e.g.
// "number 1.25 0.00", "text A-1", "blank ", " " for no cell at all.
QString show(const QJsonObject &workbook, int sheet, int row, int column);
// Height of a sheet row (1-based) in twips, or -1 when the file gives none.
int rowHeight(const QJsonObject &workbook, int sheet, int row);
// Number of non-empty cells in a sheet.
int cellCount(const QJsonObject &workbook, int sheet);

// Office processes this test process started that are still alive, and their ids.
int officeProcessesLeft();
QList<qint64> officeProcessIds();
// Private profiles and pipe sockets of offices this test process started, still on disk.
QStringList officeLeftovers();
// The sockets the running offices of this test process have, named from their command lines:
// the pipe they accept connections on and the single-instance one (named after the profile).
QStringList officeSockets();
// Files in a folder other than the given ones (lock files and temporary workbooks included).
QStringList strayFiles(const QString &folder, const QStringList &expected);

} // namespace ExportTestSupport
