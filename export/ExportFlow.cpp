#include "export/ExportFlow.h"

#include "export/WorkbookTable.h"
#include "interaction/UserInteraction.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>

namespace {

QString text(bool chinese, const char *english, const char *chineseText)
{
    return QString::fromUtf8(chinese ? chineseText : english);
}

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
    TemporaryPath(const TemporaryPath &) = delete;
    TemporaryPath &operator=(const TemporaryPath &) = delete;
    void release() { path.clear(); }
    QString path;
};

} // namespace

ExportFlow::ExportFlow(UserInteraction &ui, WorkbookWriter &writer) : ui(ui), writer(writer) {}

int ExportFlow::run(QWidget *parent, const WorkbookTable &table, bool chineseUi)
{
    if (running || table.rows.isEmpty())
        return 0;
    running = true;
    // Also on the way out of a retry the user gave up: an office started ahead of a dialog
    // that was cancelled is not left behind.
    struct Done
    {
        ExportFlow &flow;
        ~Done()
        {
            flow.writer.release();
            flow.running = false;
        }
    } done{*this};

    for (;;) {
        // The office takes seconds to start: let it start while the user picks the file.
        writer.prepare();
        const QString proposed =
            QStringLiteral("Data") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss"));
        const QString target = ui.getSaveFileName(parent, text(chineseUi, "Save Data to Excel", "保存数据到Excel"),
                                                  proposed, QStringLiteral("Excel(*.xls)"));
        if (!target.isEmpty() && write(parent, table, target, chineseUi)) {
            ui.information(parent, text(chineseUi, "Tip", "提示"),
                           text(chineseUi, "Exporting data success!", "导出数据成功！"));
            return int(table.rows.size());
        }
        if (!ui.question(parent, text(chineseUi, "Tip", "提示"),
                         text(chineseUi, "Exporting data failed, do you want to save the data again?",
                              "导出数据失败，是否重新保存数据？")))
            return 0;
    }
}

bool ExportFlow::write(QWidget *parent, const WorkbookTable &table, const QString &target, bool chineseUi)
{
    const QFileInfo targetInfo(target);
    if (targetInfo.exists() && !targetInfo.isFile())
        return false;

    // Reserve a name beside the target, so the final rename stays on one file system.
    QString tempName;
    {
        QTemporaryFile reserve(targetInfo.absolutePath() + QStringLiteral("/.") + targetInfo.completeBaseName()
                               + QStringLiteral(".XXXXXX.xls"));
        reserve.setAutoRemove(false);
        if (!reserve.open())
            return false;
        tempName = reserve.fileName();
    }
    TemporaryPath temp(tempName);
    // The writer starts a fresh workbook where nothing exists; the name stays reserved by
    // its random part.
    QFile::remove(temp.path);

    const int rows = int(table.rows.size());
    const std::unique_ptr<ProgressHandle> progress =
        ui.createProgress(parent, text(chineseUi, "Exporting data, please wait...", "正在导出数据，请等待……"),
                          text(chineseUi, "Cancel", "取消"), 0, rows);
    const bool written = writer.write(table, temp.path, progress.get());
    // A cancelled export holds only part of the rows: it must not replace the target.
    if (!written || progress->wasCanceled() || QFileInfo(temp.path).size() == 0) {
        progress->hide();
        return false;
    }
    // rename(2) replaces the target in one step: it is either the old file or the new one.
    if (std::rename(QFile::encodeName(temp.path).constData(), QFile::encodeName(target).constData()) != 0) {
        progress->hide();
        return false;
    }
    temp.release();
    progress->setValue(rows);
    progress->hide();
    return true;
}
