#pragma once

#include "export/WorkbookTable.h"

#include <QByteArray>
#include <QString>

#include <functional>

class ProgressHandle;
class RecordsModel;
struct ReportInput;

namespace Cli {

struct Invocation;

// The records of the model to -o (a file, or standard output as CSV or JSON lines), with the
// facts of the gauge they came from for a workbook's facts sheet.
int writeRecords(Invocation &run, const RecordsModel &model, const WorkbookFacts &facts);
// A whole table to -o through the atomic write: `table` for the workbook formats, `json` for
// JSON lines (each called only when needed).
int writeTable(Invocation &run, const std::function<WorkbookTable()> &table, const std::function<QByteArray()> &json,
               int rows);
// The report fields the window's report dialog remembers; the logo's path in *logoPath.
void rememberedReportFields(ReportInput &input, QString *logoPath);
// Writes the report to -o and says how it went.
int writeReport(Invocation &run, const ReportInput &input, const QString &logoPath, ProgressHandle *progress);
// Says how writing a PDF report to -o went: `error` as the report writers return it;
// `logoMissing`: the logo at `logoPath` could not be read.
int reportWritten(Invocation &run, int error, const QString &logoPath, bool logoMissing);

} // namespace Cli
