#pragma once

#include "export/ExportFormat.h"

#include <QString>

class ProgressHandle;
class QWidget;
class UserInteraction;
class WorkbookWriter;
struct WorkbookTable;

// The records page's export: asks for a file and its type, writes the table in that format
// with progress, reports the result and offers a retry on failure, saying why it failed.
//
// The file is written to a temporary file beside the target and put in its place only when
// it is complete, so a failed or cancelled export leaves an existing file as it was. The writer
// gets a path where nothing exists yet: every export starts from a fresh file, as if the
// target had been deleted first, so no cell of an older export lingers beside the new rows.
class ExportFlow
{
public:
    // How the last run ended.
    enum class Outcome : quint8 {
        NotStarted, // an empty table, or an export already running
        Written,
        Cancelled, // the user closed the file dialog: their choice, not an error
        Failed,    // a write failed and the user did not try again
    };

    // Both must outlive the flow. `xlsWriter` writes .xls; .xlsx and .csv have writers of
    // their own.
    ExportFlow(UserInteraction &ui, WorkbookWriter &xlsWriter);
    ~ExportFlow();

    // The number of table rows written to the file, or 0 when nothing was written (an empty
    // table, an export already running, cancelled, failed and not retried). The caller
    // removes the written rows: rows added meanwhile are not in the file.
    // Dialogs and files are in the language in use.
    int run(QWidget *parent, const WorkbookTable &table);
    Outcome lastOutcome() const { return outcome; }
    // The file the last written export went to, as chosen (suffix added).
    QString lastTarget() const { return written; }
    // An export is in progress (a second must not start).
    bool isRunning() const { return running; }
    // Uses `writer` (which must outlive the flow) for a format instead of the built-in one.
    void setWriter(ExportFormat format, WorkbookWriter &writer);

    // The file dialog's types, in the order offered, and the format a type stands for.
    static QString fileTypes();
    static QString fileType(ExportFormat format);
    // Why writing to `target` failed, from the system's error number, in a sentence that says
    // what to do; empty when there is nothing better to say than that it failed.
    static QString failureReason(int error, const QString &target);

    // Writes `table` with `writer` to `target` as the flow does, without dialogs (for the
    // command line): through a temporary file beside the target, a link written through.
    // `progress` may be null. Returns 0, or an error number as failureReason() takes it
    // (-1: no reason given; ECANCELED: the progress was cancelled).
    static int writeFile(WorkbookWriter &writer, const WorkbookTable &table, const QString &target,
                         ExportFormat format, ProgressHandle *progress);

    // Where a save dialog starts, with `name` proposed: the folder of the last file chosen
    // in a save dialog of this run, else the user's Documents folder (else the home folder),
    // never the folder the program happens to run in.
    static QString proposedPath(const QString &name);
    // A save dialog returned `chosen`: the next one starts in its folder.
    static void rememberFolder(const QString &chosen);

    // Temporary files are named with this prefix (the writing program's id) beside the
    // target. Those left in a folder by a program that has ended are removed by the next
    // export there; returns how many.
    static QString temporaryPrefix(qint64 pid);
    static int removeStaleTemporaries(const QString &folder);

private:
    // Writes the table to `target` in `format`: 0, or the error number that stopped it
    // (-1: failed for no reason the system gave, ECANCELED: the progress was cancelled).
    int write(QWidget *parent, const WorkbookTable &table, const QString &target, ExportFormat format);

    UserInteraction &ui;
    FormatWriters writers;
    // The dialog starts on the type chosen last.
    QString lastFileType;
    bool running = false;
    Outcome outcome = Outcome::NotStarted;
    QString written;
};
