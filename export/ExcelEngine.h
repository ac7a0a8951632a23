#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

class AutomationObject;
class ProgressHandle;
class QTableWidget;

// Writes a table into an Excel 97-2003 workbook through the "Excel.Application" automation
// server. One engine serves one export.
class ExcelEngine : public QObject
{
public:
    explicit ExcelEngine(const QString &fileName);
    ~ExcelEngine() override;

    // Starts the server if needed, prepares the file and opens the workbook and its 1-based sheet.
    bool open(int sheetIndex);
    // Centres and fills one cell (1-based); false when the cell cannot be obtained.
    bool setCell(int row, int column, const QVariant &value);
    // Header texts in row 1, table rows from row 2, progress per row, stops on cancel, saves.
    bool writeTable(QTableWidget *table, ProgressHandle *progress);
    // Cells the last writeTable could not write.
    int failedCells() const { return failed; }
    // The save operations return false only when the server reports a failure.
    bool save();
    bool saveAs(const QString &fileName);
    // Closes the workbook (saving changes), quits the server and releases it.
    void close();

    bool isOpen() const { return opened; }

private:
    bool prepareFile(const QString &path);
    void releaseApplication();

    const QString fileName;
    AutomationObject *excel = nullptr;
    AutomationObject *workbooks = nullptr;
    AutomationObject *workbook = nullptr;
    AutomationObject *worksheet = nullptr;
    int sheetIndex = 0;
    bool opened = false;
    int failed = 0;
};
