#include "export/ExportFlow.h"

#include "export/WorkbookTable.h"
#include "interaction/UserInteraction.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <csignal>
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

QString ExportFlow::temporaryPrefix(qint64 pid)
{
    return QStringLiteral(".palvarin-export-%1-").arg(pid);
}

int ExportFlow::removeStaleTemporaries(const QString &folder)
{
    // Only names of the form this flow gives, and only when the program that made them has
    // ended (a program killed while writing leaves its temporary workbook behind).
    static const QRegularExpression ours(QStringLiteral("^\\.palvarin-export-(\\d+)-.*\\.xls$"));
    int removed = 0;
    const QDir dir(folder);
    for (const QString &name : dir.entryList({QStringLiteral(".palvarin-export-*")}, QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch match = ours.match(name);
        if (!match.hasMatch())
            continue;
        const qint64 pid = match.captured(1).toLongLong();
        if (pid <= 0 || pid == QCoreApplication::applicationPid())
            continue;
        if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH)
            continue; // still running (or not ours to ask): its file may be in use
        if (QFile::remove(dir.filePath(name)))
            ++removed;
    }
    return removed;
}

bool ExportFlow::write(QWidget *parent, const WorkbookTable &table, const QString &chosen, bool chineseUi)
{
    // A symbolic link is written through: the file it points to gets the new workbook and
    // the link stays, as editors do.
    QString target = chosen;
    if (QFileInfo(chosen).isSymLink()) {
        const QString canonical = QFileInfo(chosen).canonicalFilePath();
        target = canonical.isEmpty() ? QFileInfo(chosen).symLinkTarget() : canonical;
    }
    const QFileInfo targetInfo(target);
    if (targetInfo.exists() && !targetInfo.isFile())
        return false;
    removeStaleTemporaries(targetInfo.absolutePath());

    // Reserve a name beside the target, so the final rename stays on one file system.
    QString tempName;
    {
        QTemporaryFile reserve(targetInfo.absolutePath() + QLatin1Char('/')
                               + temporaryPrefix(QCoreApplication::applicationPid()) + QStringLiteral("XXXXXX.xls"));
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
