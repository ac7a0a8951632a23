#include "export/ExcelEngine.h"

#include "interaction/UserInteraction.h"
#include "export/AutomationObject.h"

#include <QDir>
#include <QFile>
#include <QTableWidget>

namespace {
const int kCentred = -4108; // Excel's xlCenter
const int kExcel97Format = 56; // Excel's xlExcel8: the .xls workbook
} // namespace

ExcelEngine::ExcelEngine(const QString &fileName) : fileName(fileName) {}

ExcelEngine::~ExcelEngine()
{
    if (opened)
        close();
    // An application left by a failed open is ended too, so no server outlives the export.
    releaseApplication();
}

void ExcelEngine::releaseApplication()
{
    if (!excel)
        return;
    excel->dynamicCall("Quit()");
    delete excel; // its sub-objects go with it
    excel = nullptr;
    workbooks = workbook = worksheet = nullptr;
    opened = false;
}

bool ExcelEngine::prepareFile(const QString &path)
{
    if (QFile::exists(path))
        return true;
    if (QFile::exists(QStringLiteral("./template.xls"))) {
        QFile::copy(QStringLiteral("./template.xls"), path);
    } else {
        QFile empty(path);
        if (empty.open(QIODevice::WriteOnly))
            empty.close();
    }
    QFile check(path);
    const bool ok = check.open(QIODevice::ReadWrite);
    check.close();
    return ok;
}

bool ExcelEngine::open(int index)
{
    if (opened)
        close();
    if (!excel) {
        excel = AutomationObject::create(QStringLiteral("Excel.Application"));
        if (!excel || excel->isNull()) {
            delete excel;
            excel = nullptr;
            opened = false;
            return false;
        }
    }
    if (fileName.isEmpty() || !prepareFile(fileName)) {
        opened = false;
        return false;
    }
    sheetIndex = index;
    workbooks = excel->querySubObject("WorkBooks");
    workbook = workbooks ? workbooks->querySubObject("Open(QString, QVariant)", QVariant(fileName), QVariant(0))
                         : nullptr;
    worksheet = workbook ? workbook->querySubObject("WorkSheets(int)", QVariant(uint(sheetIndex))) : nullptr;
    opened = worksheet != nullptr;
    return opened;
}

bool ExcelEngine::setCell(int row, int column, const QVariant &value)
{
    if (!worksheet)
        return false;
    AutomationObject *cell = worksheet->querySubObject("Cells(int,int)", QVariant(uint(row)), QVariant(uint(column)));
    if (!cell)
        return false;
    cell->dynamicCall("SetHorizontalAlignment(const QVariant&)", QVariant(kCentred));
    cell->dynamicCall("SetValue(const QVariant&)", value);
    // Released at once: keeping one object per cell until close only costs memory.
    delete cell;
    return true;
}

bool ExcelEngine::writeTable(QTableWidget *table, ProgressHandle *progress)
{
    if (!table || !opened)
        return false;
    failed = 0;
    const int rows = table->rowCount();
    const int columns = table->columnCount();
    for (int k = 0; k < columns; ++k)
        if (const QTableWidgetItem *header = table->horizontalHeaderItem(k))
            failed += setCell(1, k + 1, header->text()) ? 0 : 1;
    for (int j = 0; j < rows; ++j) {
        for (int k = 0; k < columns; ++k)
            if (const QTableWidgetItem *item = table->item(j, k))
                failed += setCell(j + 2, k + 1, item->text()) ? 0 : 1;
        if (progress) {
            progress->setValue(j + 1);
            if (progress->wasCanceled())
                break;
        }
    }
    save();
    return true;
}

bool ExcelEngine::save()
{
    if (!workbook)
        return false;
    return workbook->dynamicCall("Save()") != QVariant(false);
}

bool ExcelEngine::saveAs(const QString &target)
{
    if (!workbook)
        return false;
    if (excel)
        excel->setProperty("DisplayAlerts", QVariant(false));
    const QVariant result = workbook->dynamicCall("SaveAs(const QString&, int)",
                                                  QVariant(QDir::toNativeSeparators(target)), QVariant(kExcel97Format));
    if (excel)
        excel->setProperty("DisplayAlerts", QVariant(true));
    return result != QVariant(false);
}

void ExcelEngine::close()
{
    if (!excel || !workbook)
        return;
    workbook->dynamicCall("Close(bool)", QVariant(true));
    excel->dynamicCall("Quit()");
    delete excel;
    excel = nullptr;
    workbooks = workbook = worksheet = nullptr;
    opened = false;
}
