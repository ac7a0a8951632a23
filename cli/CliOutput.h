#pragma once

#include "export/ExportFormat.h"
#include "export/WorkbookTable.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <optional>

class RecordsModel;

// What palvarin-cli writes, and how a file is put in place.
namespace CliOutput {

// A table in one of the export formats, or JSON lines (the tool's own).
struct Format
{
    std::optional<ExportFormat> table; // none: JSON lines
    bool isJson() const { return !table; }
    bool is(ExportFormat format) const { return table == format; }
};

std::optional<Format> formatNamed(const QString &name);  // "csv", "xlsx", "xls", "json", "jsonl"
std::optional<Format> formatOfPath(const QString &path); // from the suffix
QString suffixOf(const Format &format);                  // "csv", ...

// Rows [first, first + count) of the model's exported columns as a workbook receives them:
// numbers as the table shows them, out-of-range readings flagged.
WorkbookTable tableOf(const RecordsModel &model, int first, int count);

// One JSON object on one line, its keys in the order added.
class JsonLine
{
public:
    JsonLine &text(const char *key, const QString &value);
    JsonLine &number(const char *key, qint64 value);
    // The digits given, e.g. as a table shows them.
    JsonLine &digits(const char *key, const QByteArray &digits);
    JsonLine &flag(const char *key, bool value);
    JsonLine &null(const char *key);
    // A value already in JSON (an array, an object).
    JsonLine &raw(const char *key, const QByteArray &json);
    // The object, and with "\n".
    QByteArray object() const { return m_body + '}'; }
    QByteArray line() const { return object() + '\n'; }

    static QByteArray string(const QString &value);
    // Values already in JSON as one array.
    static QByteArray array(const QByteArrayList &values) { return '[' + values.join(',') + ']'; }

private:
    JsonLine &key(const char *key);
    QByteArray m_body{"{"};
};

// A column's key in JSON: the same in every language, e.g. "thickness", "velocity2".
QString jsonKey(const RecordsModel &model, int column);
// Rows [first, first + count) as JSON lines: one object per record with its number (1-based
// among the rows given, plus numberBase), arrival time, origin, name (multi layer), each value
// as a number with the digits the table shows or null when out of range, the units, and
// "outOfRange" listing the keys of the values out of range.
QByteArray jsonLines(const RecordsModel &model, int first, int count, qint64 numberBase = 0);

// Lines of cells as columns to read on a terminal: each padded to its widest entry (a
// Chinese character takes two), the columns marked in `right` to the right, the last column
// not padded.
QByteArray alignedText(const QList<QStringList> &lines, const QVector<bool> &right);

// Writes `target` through a temporary file beside it, renamed over it only once `produce`
// wrote it completely: the old file stays as it was on any failure. A symbolic link is
// written through (the file it points to gets the content). `produce` gets the temporary
// path (nothing exists there yet) and returns false on failure, setting *errorNumber when it
// knows the system's reason. On failure `reason` says why, in the language in use.
bool writeAtomically(const QString &target, const QString &suffix,
                     const std::function<bool(const QString &temporaryPath, int *errorNumber)> &produce,
                     QString *reason);

} // namespace CliOutput
