#pragma once

#include "export/WorkbookTable.h"

#include <QDateTime>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QVector>

class ProgressHandle;

// The fields an inspector fills in once; the program remembers them between reports.
struct ReportFields
{
    QString company;
    QString inspector;
    QString qualification;
    QString location; // location or asset
    QString procedure;
    QString probe;
    QString calibrationBlock;
    QString notes;
};

// One line of a statistics table: a label and one text per value column.
struct ReportStatisticsRow
{
    QString label;
    QStringList values;
};

// Everything a report shows. Limits, statistics, band counts, the chart and the logo are
// optional: the report leaves out what is empty.
struct ReportInput
{
    // Words are in the language in use.
    ReportFields fields;
    // The gauge and the session.
    QString serial;
    QString firmware;
    QString meterType;
    QDateTime date;
    QString units; // e.g. "mm, m/s"
    // The readings as the table shows them (its headers carry the units).
    WorkbookTable table;

    QString limitsText;
    QStringList statisticsColumns; // headers of the statistics columns
    QVector<ReportStatisticsRow> statistics;
    QString statisticsNote; // what the figures are computed from, said once under them
    QVector<QPair<QString, qint64>> bandCounts; // e.g. {"Below the minimum", 3}
    QImage chart;
    QImage logo;

    // Repeat surveys compared (wall loss, rates, remaining life per location): a section of
    // its own after the readings, with a title, notes and its table; left out without rows.
    QString comparisonTitle;
    QStringList comparisonNotes;
    WorkbookTable comparison;
};

// An A4 PDF inspection report laid out with QPainter: the fields, the gauge's facts, limits,
// statistics and chart on the first page, then the readings with their header row repeated
// on every page (cells judged by the table's limits filled in their band's colour, with a
// legend), then the survey comparison (rows in the comparison window's colours), then the survey comparison if there is one, and "page n of m" at the foot
// of each page.
class PdfReport
{
public:
    // Writes the report to `path` through a temporary file beside it (the old file stays
    // until the new one is complete). Returns 0, or the system's error number (-1 when it
    // gave none; ECANCELED when the progress was cancelled).
    static int write(const ReportInput &input, const QString &path, ProgressHandle *progress = nullptr);
};
