#include "export/ExportFlow.h"

#include "interaction/UserInteraction.h"
#include "export/AutomationObject.h"
#include "export/ExcelEngine.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTableWidget>
#include <QTemporaryFile>

#include <cstdio>
#include <memory>

namespace {

const char *const kProgId = "Excel.Application";
bool running = false;

// Removes the temporary workbook on every path that did not move it into place.
class TemporaryPath
{
public:
    explicit TemporaryPath(const QString &path) : path(path) {}
    ~TemporaryPath()
    {
        if (!path.isEmpty())
            QFile::remove(path);
    }
    void release() { path.clear(); }
    QString path;
};

} // namespace

ExportFlow::ExportFlow(QWidget *parent, QTableWidget *table, int tableLayout, const QString &layerText,
                       bool chineseUi)
    : parent(parent), table(table), tableLayout(tableLayout), layerText(layerText), chineseUi(chineseUi)
{
}

bool ExportFlow::isRunning()
{
    return running;
}

bool ExportFlow::run(QWidget *parent, QTableWidget *table, int tableLayout, const QString &layerText, bool chineseUi)
{
    if (running)
        return false;
    running = true;
    ExportFlow flow(parent, table, tableLayout, layerText, chineseUi);
    const bool written = flow.attempt();
    // An office started ahead of a dialog the user cancelled is not left behind.
    AutomationObject::releaseWarm(QString::fromLatin1(kProgId));
    running = false;
    return written;
}

QString ExportFlow::text(const char *english, const char *chinese) const
{
    return chineseUi ? QString::fromUtf8(chinese) : QString::fromUtf8(english);
}

QList<int> ExportFlow::exportedColumns(int columnCount, int tableLayout, const QString &layerText)
{
    QList<int> columns;
    for (int c = 0; c < columnCount; ++c)
        columns << c;
    // The last column only holds the Delete buttons.
    if (!columns.isEmpty())
        columns.removeLast();
    if (tableLayout == 2) {
        // The layer selector's hidden columns, removed from the end so the numbers stay valid.
        QList<int> removed;
        bool ok = false;
        const int layers = layerText.toInt(&ok, 10);
        if (ok && layers == 1)
            removed = {6, 5, 3, 2};
        else if (ok && layers == 2)
            removed = {6, 3};
        for (int position : removed)
            if (position < columns.size())
                columns.removeAt(position);
    }
    return columns;
}

bool ExportFlow::attempt()
{
    if (!table || table->rowCount() == 0)
        return false;
    // The office takes seconds to start: let it start while the user picks the file.
    AutomationObject::warmUp(QString::fromLatin1(kProgId));
    const QString proposed = QStringLiteral("Data") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss"));
    const QString target = UserInteraction::current().getSaveFileName(
        parent, text("Save Data to Excel", "保存数据到Excel"), proposed, QStringLiteral("Excel(*.xls)"));
    const int exported = target.isEmpty() ? -1 : write(target);
    if (exported < 0)
        return askAgain();
    // Only the rows that went out: a measurement the gauge pushed while the progress dialog
    // was open was appended after them and is not in the workbook.
    if (exported >= table->rowCount())
        table->setRowCount(0);
    else
        table->model()->removeRows(0, exported);
    UserInteraction::current().information(parent, text("Tip", "提示"),
                                           text("Exporting data success!", "导出数据成功！"));
    return true;
}

bool ExportFlow::askAgain()
{
    if (!UserInteraction::current().question(
            parent, text("Tip", "提示"),
            text("Exporting data failed, do you want to save the data again?", "导出数据失败，是否重新保存数据？")))
        return false; // the table keeps its rows: nothing was saved
    return attempt();
}

int ExportFlow::write(const QString &target)
{
    const QFileInfo targetInfo(target);
    if (targetInfo.exists() && !targetInfo.isFile())
        return -1;

    // Reserve a name beside the target, so the final rename stays on one file system.
    QString tempName;
    {
        QTemporaryFile reserve(targetInfo.absolutePath() + QStringLiteral("/.") + targetInfo.completeBaseName()
                               + QStringLiteral(".XXXXXX.xls"));
        reserve.setAutoRemove(false);
        if (!reserve.open())
            return -1;
        tempName = reserve.fileName();
    }
    TemporaryPath temp(tempName);
    // A fresh workbook every time, prepared by the engine from the template (or empty), as
    // when the target was replaced: cells of an older export must not linger around the new
    // rows. The target itself is only replaced once the new workbook is complete.
    QFile::remove(temp.path);

    const int rows = table->rowCount();
    std::unique_ptr<ProgressHandle> progress = UserInteraction::current().createProgress(
        parent, text("Exporting data, please wait...", "正在导出数据，请等待……"), text("Cancel", "取消"), 0, rows);

    bool complete = false;
    {
        ExcelEngine engine(temp.path);
        if (!engine.open(1)) {
            progress->hide();
            return -1;
        }

        // Working copy: only the exported columns, header texts and cell items as shown.
        const QList<int> columns = exportedColumns(table->columnCount(), tableLayout, layerText);
        QTableWidget copy(rows, columns.size());
        for (int k = 0; k < columns.size(); ++k) {
            if (const QTableWidgetItem *header = table->horizontalHeaderItem(columns[k]))
                copy.setHorizontalHeaderItem(k, new QTableWidgetItem(header->text()));
            for (int j = 0; j < rows; ++j)
                if (const QTableWidgetItem *item = table->item(j, columns[k]))
                    copy.setItem(j, k, item->clone());
        }

        const bool written = engine.writeTable(&copy, progress.get());
        // A cancelled export saved only part of the rows: it must not replace the target.
        complete = written && !progress->wasCanceled() && engine.failedCells() == 0 && engine.saveAs(temp.path);
        engine.close();
    }
    if (!complete || QFileInfo(temp.path).size() == 0) {
        progress->hide();
        return -1;
    }
    // rename(2) replaces the target in one step: it is either the old file or the new one.
    if (std::rename(QFile::encodeName(temp.path).constData(), QFile::encodeName(target).constData()) != 0) {
        progress->hide();
        return -1;
    }
    temp.release();
    progress->setValue(rows);
    progress->hide();
    return rows;
}
