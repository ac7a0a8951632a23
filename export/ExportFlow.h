#pragma once

#include <QString>

class QTableWidget;
class QWidget;

// The records page's export: asks for a file, writes the visible columns of the records table
// into an .xls workbook with progress, reports the result, offers a retry on failure, and
// empties the table after a successful export.
//
// The workbook is written to a temporary file beside the target and put in its place only when
// it was saved completely, so a failed or cancelled export leaves an existing file as it was.
// That temporary file starts as a fresh workbook from "./template.xls", or empty, as if the
// target had been deleted first, so no cell of an older export lingers beside the new rows.
class ExportFlow
{
public:
    // Exports the records table; true only when the workbook was written.
    static bool run(QWidget *parent, QTableWidget *table, int tableLayout, const QString &layerText, bool chineseUi);
    // An export is in progress (a second must not start).
    static bool isRunning();

private:
    // The columns of the records table that reach the sheet, in order.
    static QList<int> exportedColumns(int columnCount, int tableLayout, const QString &layerText);

    ExportFlow(QWidget *parent, QTableWidget *table, int tableLayout, const QString &layerText, bool chineseUi);
    bool attempt();
    // Writes the workbook; the number of table rows it holds, or -1 on failure.
    int write(const QString &target);
    bool askAgain();
    QString text(const char *english, const char *chinese) const;

    QWidget *parent;
    QTableWidget *table;
    int tableLayout;
    QString layerText;
    bool chineseUi;
};
