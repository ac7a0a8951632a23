#pragma once

#include <QString>

class QWidget;
class UserInteraction;
class WorkbookWriter;
struct WorkbookTable;

// The records page's export: asks for a file, writes the table into an .xls workbook with
// progress, reports the result and offers a retry on failure.
//
// The workbook is written to a temporary file beside the target and put in its place only when
// it is complete, so a failed or cancelled export leaves an existing file as it was. The writer
// gets a path where nothing exists yet: every export starts from a fresh workbook, as if the
// target had been deleted first, so no cell of an older export lingers beside the new rows.
class ExportFlow
{
public:
    // Both must outlive the flow.
    ExportFlow(UserInteraction &ui, WorkbookWriter &writer);

    // The number of table rows written to the file, or 0 when nothing was written (an empty
    // table, an export already running, cancelled, failed and not retried). The caller
    // removes the written rows: rows added meanwhile are not in the file.
    int run(QWidget *parent, const WorkbookTable &table, bool chineseUi);
    // An export is in progress (a second must not start).
    bool isRunning() const { return running; }

    // Temporary workbooks are named with this prefix (the writing program's id) beside the
    // target. Those left in a folder by a program that has ended are removed by the next
    // export there; returns how many.
    static QString temporaryPrefix(qint64 pid);
    static int removeStaleTemporaries(const QString &folder);

private:
    // Writes the workbook to `target`; false on any failure.
    bool write(QWidget *parent, const WorkbookTable &table, const QString &target, bool chineseUi);

    UserInteraction &ui;
    WorkbookWriter &writer;
    bool running = false;
};
