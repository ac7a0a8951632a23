#pragma once

#include "analysis/Limits.h"

#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cmath>
#include <limits>
#include <optional>

class ProgressHandle;

// One cell as a workbook receives it: a number with the decimals the table shows, a text,
// or nothing. Numbers stay numbers all the way into the file.
struct WorkbookCell
{
    enum class Kind : quint8 { Empty, Number, Text };

    Kind kind = Kind::Empty;
    // Kind::Number: the value exactly as the table shows it (already rounded to `decimals`).
    double number = 0.0;
    int decimals = 0;
    // Kind::Text: e.g. a record name, or the out-of-range word in the export's language.
    QString text;
    // A reading the gauge flagged out of range: `text` holds the word a sheet shows; formats
    // for scripts leave the field empty and set a flag instead.
    bool outOfRange = false;

    static WorkbookCell ofNumber(double value, int decimals)
    {
        WorkbookCell c;
        c.kind = Kind::Number;
        c.number = value;
        c.decimals = decimals;
        return c;
    }
    static WorkbookCell ofText(const QString &text)
    {
        WorkbookCell c;
        c.kind = Kind::Text;
        c.text = text;
        return c;
    }
    static WorkbookCell ofOutOfRange(const QString &word)
    {
        WorkbookCell c = ofText(word);
        c.outOfRange = true;
        return c;
    }
};

// The limits each column's readings are judged by, with the table's bands (Limits::band: a
// reading and the limits compared in the digits the cell shows).
struct ReadingLimits
{
    // Per table column: the limits that judge it, in its unit; none (or missing): not judged.
    QVector<std::optional<Limits>> columns;

    bool isSet() const
    {
        for (const std::optional<Limits> &l : columns)
            if (l)
                return true;
        return false;
    }
    bool appliesTo(int column) const { return column >= 0 && column < columns.size() && columns[column].has_value(); }
    // The band of a number of a judged column, shown with `decimals` decimals.
    Band band(int column, double value, int decimals) const { return columns[column]->band(value, decimals); }
};

// What is known about the gauge and the session (empty texts are left out).
struct WorkbookFacts
{
    QString serial;
    QString firmware;
    QString meterType;
    QString date; // as it should read; empty: the time of the export
    // More facts, in order, e.g. a comparison's minimum thickness and longest interval.
    QVector<QPair<QString, WorkbookCell>> more;
};

// A whole table to export: header texts (row 1 of the sheet, line breaks kept) and rows.
// Only the columns that reach the sheet are in it, in sheet order. Facts and limits are
// optional: formats that can show them do, the others ignore them.
struct WorkbookTable
{
    QStringList headers;
    QVector<QVector<WorkbookCell>> rows;
    WorkbookFacts facts{};
    ReadingLimits limits{};
    // CSV: a last column names the columns of a row that were out of range (tables of
    // readings); off for tables that hold none.
    bool outOfRangeColumn = true;
    // Columns whose texts are dates (yyyy-MM-dd): a workbook writes them as date cells.
    QVector<bool> dateColumns{};
    // A band each row is drawn in (e.g. a compared location under the minimum); none or
    // missing: plain.
    QVector<std::optional<Band>> rowBands{};
};

// Writes a whole table into a new workbook file. One writer serves one export at a time.
// Results: true only when the file at `path` is complete; false on any failure or when the
// progress was cancelled (a partial file is then the caller's to remove).
class WorkbookWriter
{
public:
    virtual ~WorkbookWriter() = default;

    // A hint that write() will be called soon (e.g. while a file dialog is open), so slow
    // start-up can happen meanwhile. Never required.
    virtual void prepare() {}
    // Ends what prepare() started if write() did not use it.
    virtual void release() {}
    // `path` does not exist yet. Advances `progress` (may be null) per row and stops when it
    // is cancelled.
    virtual bool write(const WorkbookTable &table, const QString &path, ProgressHandle *progress) = 0;
    // After a failed write(): the system's error number that stopped it (e.g. ENOSPC), or 0
    // when the writer cannot tell.
    virtual int lastErrno() const { return 0; }
};
