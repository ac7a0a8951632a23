#pragma once

#include "export/WorkbookTable.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class RecordsModel;

// What palvarin-cli writes records as, and how a file is put in place.
namespace CliOutput {

enum class Format { Csv, Xlsx, Xls, Json };

std::optional<Format> formatNamed(const QString &name);   // "csv", "xlsx", "xls", "json"
std::optional<Format> formatOfPath(const QString &path);  // from the suffix
QString suffixOf(Format format);                          // "csv", ...

// Rows [first, first + count) of the model's exported columns as a workbook receives them:
// numbers as the table shows them, out-of-range readings flagged.
WorkbookTable tableOf(const RecordsModel &model, int first, int count);

// A column's key in JSON: the same in every language, e.g. "thickness", "velocity2".
QString jsonKey(const RecordsModel &model, int column);
// Rows [first, first + count) as JSON lines: one object per record with its number (1-based
// among the rows given, plus numberBase), arrival time, origin, name (multi layer), each value
// as a number with the digits the table shows or null when out of range, the units, and
// "outOfRange" listing the keys of the values out of range.
QByteArray jsonLines(const RecordsModel &model, int first, int count, qint64 numberBase = 0);

// Writes `target` through a temporary file beside it, renamed over it only once `produce`
// wrote it completely: the old file stays as it was on any failure. A symbolic link is
// written through (the file it points to gets the content). `produce` gets the temporary
// path (nothing exists there yet) and returns false on failure, setting *errorNumber when it
// knows the system's reason. On failure `reason` says why, in the language asked for.
bool writeAtomically(const QString &target, const QString &suffix,
                     const std::function<bool(const QString &temporaryPath, int *errorNumber)> &produce,
                     bool chinese, QString *reason);

} // namespace CliOutput
