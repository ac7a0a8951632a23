#include "export/ExportFlow.h"

#include "export/AtomicFile.h"
#include "export/CsvWriter.h"
#include "export/WorkbookTable.h"
#include "export/XlsxWriter.h"
#include "interaction/UserInteraction.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

// Dialogs, messages and the files written speak the language in use.
QString say(const char *source)
{
    return QCoreApplication::translate("ExportFlow", source);
}

} // namespace

ExportFlow::ExportFlow(UserInteraction &ui, WorkbookWriter &xlsWriter)
    : ui(ui), writers(xlsWriter), lastFileType(fileType(ExportFormat::Xls))
{
}

ExportFlow::~ExportFlow() = default;

void ExportFlow::setWriter(ExportFormat format, WorkbookWriter &writer)
{
    writers.set(format, writer);
}

QString ExportFlow::fileType(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Xls:
        return QStringLiteral("Excel(*.xls)");
    case ExportFormat::Xlsx:
        return QStringLiteral("Excel 2007-365(*.xlsx)");
    case ExportFormat::Csv:
        return QStringLiteral("CSV(*.csv)");
    }
    return QString();
}

QString ExportFlow::fileTypes()
{
    return fileType(ExportFormat::Xls) + QStringLiteral(";;") + fileType(ExportFormat::Xlsx) + QStringLiteral(";;")
           + fileType(ExportFormat::Csv);
}

QString ExportFlow::failureReason(int error, const QString &target)
{
    const QString folder = QDir::toNativeSeparators(QFileInfo(target).absolutePath());
    const QString file = QDir::toNativeSeparators(target);
    switch (error) {
    case EACCES:
    case EPERM:
        return say(QT_TRANSLATE_NOOP("ExportFlow", "The program may not write into the folder %1. Choose another "
                                                   "folder, or ask for write access to this one."))
            .arg(folder);
    case EROFS:
        return say(QT_TRANSLATE_NOOP("ExportFlow",
                                     "The folder %1 is on a read-only disk. Choose a folder on another disk."))
            .arg(folder);
    case ENOSPC:
    case EDQUOT:
        return say(QT_TRANSLATE_NOOP("ExportFlow", "The disk of %1 is full. Free some space on it, or choose a folder "
                                                   "on another disk."))
            .arg(folder);
    case EISDIR:
        return say(QT_TRANSLATE_NOOP("ExportFlow", "%1 is a folder, not a file. Type a file name."))
            .arg(file);
    case ENOENT:
    case ENOTDIR:
        return say(QT_TRANSLATE_NOOP("ExportFlow", "The folder %1 does not exist. Choose an existing folder."))
            .arg(folder);
    case EFBIG:
        return say(QT_TRANSLATE_NOOP("ExportFlow", "The table has more rows than this file type holds. Save it as CSV."));
    case 0:
    case -1:
    case ECANCELED:
        return QString();
    default:
        return say(QT_TRANSLATE_NOOP("ExportFlow", "The system reported: %1.")).arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

int ExportFlow::run(QWidget *parent, const WorkbookTable &table)
{
    // A refused second export leaves the running one's outcome alone.
    if (running)
        return 0;
    outcome = Outcome::NotStarted;
    if (table.rows.isEmpty())
        return 0;
    running = true;
    // Also on the way out of a retry the user gave up: an office started ahead of a dialog
    // that was cancelled is not left behind.
    struct Done
    {
        ExportFlow &flow;
        ~Done()
        {
            for (ExportFormat f : {ExportFormat::Xls, ExportFormat::Xlsx, ExportFormat::Csv})
                flow.writers.of(f).release();
            flow.running = false;
        }
    } done{*this};
    for (;;) {
        ExportFormat format = ExportFormat::Xls;
        for (ExportFormat f : {ExportFormat::Xls, ExportFormat::Xlsx, ExportFormat::Csv})
            if (lastFileType == fileType(f))
                format = f;
        // The office takes seconds to start: let it start while the user picks the file.
        writers.of(format).prepare();
        const QString proposed =
            proposedPath(QStringLiteral("Data") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss")));
        QString chosenType = lastFileType;
        QString target = ui.getSaveFileName(parent, say(QT_TRANSLATE_NOOP("ExportFlow", "Save Data to Excel")), proposed,
                                            fileTypes(), &chosenType);
        if (target.isEmpty()) {
            // Closing the dialog is the user's choice: no error, no question.
            outcome = Outcome::Cancelled;
            return 0;
        }
        rememberFolder(target);
        for (ExportFormat f : {ExportFormat::Xls, ExportFormat::Xlsx, ExportFormat::Csv})
            if (chosenType == fileType(f))
                format = f;
        lastFileType = fileType(format);
        // A suffix typed by the user names the format; without one, the chosen type adds its own.
        if (const std::optional<ExportFormat> named = formatOfSuffix(target)) {
            format = *named;
        } else {
            target += QLatin1Char('.') + formatSuffix(format);
            // The dialog asked about replacing the name typed, not this one.
            if (QFileInfo::exists(target)
                && !ui.question(parent, say(QT_TRANSLATE_NOOP("ExportFlow", "Tip")),
                                say(QT_TRANSLATE_NOOP("ExportFlow", "%1 already exists. Do you want to replace it?"))
                                    .arg(QDir::toNativeSeparators(target))))
                continue;
        }
        const int error = write(parent, table, target, format);
        if (error == 0) {
            written = target;
            ui.information(parent, say(QT_TRANSLATE_NOOP("ExportFlow", "Tip")),
                           say(QT_TRANSLATE_NOOP("ExportFlow", "Exporting data success!")));
            outcome = Outcome::Written;
            return int(table.rows.size());
        }
        QString message = say(QT_TRANSLATE_NOOP("ExportFlow", "Exporting data failed, do you want to save the data again?"));
        const QString reason = failureReason(error, target);
        if (!reason.isEmpty())
            message += QStringLiteral("\n\n") + reason;
        if (!ui.question(parent, say(QT_TRANSLATE_NOOP("ExportFlow", "Tip")), message)) {
            outcome = Outcome::Failed;
            return 0;
        }
    }
}

namespace {
QString &lastSaveFolder()
{
    static QString folder; // the GUI thread's dialogs only
    return folder;
}
} // namespace

QString ExportFlow::proposedPath(const QString &name)
{
    QString folder = lastSaveFolder();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            folder = QDir::homePath();
    }
    return QDir(folder).filePath(name);
}

void ExportFlow::rememberFolder(const QString &chosen)
{
    if (!chosen.isEmpty())
        lastSaveFolder() = QFileInfo(chosen).absolutePath();
}

QString ExportFlow::temporaryPrefix(qint64 pid)
{
    return QStringLiteral(".palvarin-export-%1-").arg(pid);
}

int ExportFlow::removeStaleTemporaries(const QString &folder)
{
    // Only names of the form the atomic write gives, in every format written through it (the
    // tool also writes .json and .pdf), and only when the program that made them has ended (a
    // program killed while writing leaves its temporary file behind).
    static const QRegularExpression ours(QStringLiteral("^\\.palvarin-export-(\\d+)-.*\\.(xls|xlsx|csv|json|pdf)$"));
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

int ExportFlow::write(QWidget *parent, const WorkbookTable &table, const QString &chosen, ExportFormat format)
{
    const std::unique_ptr<ProgressHandle> progress =
        ui.createProgress(parent, say(QT_TRANSLATE_NOOP("ExportFlow", "Exporting data, please wait...")),
                          say(QT_TRANSLATE_NOOP("ExportFlow", "Cancel")), 0, int(table.rows.size()));
    const int error = writeFile(writers.of(format), table, chosen, format, progress.get());
    progress->hide();
    return error;
}

int ExportFlow::writeFile(WorkbookWriter &writer, const WorkbookTable &table, const QString &chosen,
                          ExportFormat format, ProgressHandle *progress)
{
    const AtomicWrite result = writeAtomically(chosen, formatSuffix(format), [&](const QString &temporary) {
        const bool written = writer.write(table, temporary, progress);
        // A cancelled export holds only part of the rows: it must not replace the target.
        if (progress && progress->wasCanceled())
            return ECANCELED;
        if (written)
            return 0;
        const int error = writer.lastErrno();
        return error ? error : -1;
    });
    if (!result.ok())
        return result.error;
    if (progress)
        progress->setValue(int(table.rows.size()));
    return 0;
}
