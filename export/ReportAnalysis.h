#pragma once

#include "analysis/Limits.h"
#include "export/PdfReport.h"

#include <QList>
#include <QSize>

class ReadingsAnalysis;

// The judgement of a records table as the outputs carry it, the same for the window and the
// command-line tool: each column's limits for a workbook or the report's readings, and the
// report's limits, statistics, band counts and run chart.

// Per exported model column (in `columns`' order): the limits of its layer, in its unit.
ReadingLimits workbookLimits(const ReadingsAnalysis &analysis, const QList<int> &columns);

// Words are in the language in use.

// Each layer's limits in a line ("Layer 2: nominal 10 mm, minimum 8 mm, ..."); empty without
// limits. Numbers in the layer's decimals.
QString limitsText(const ReadingsAnalysis &analysis);

// A run chart of one thickness column drawn without widgets: each bucket's lowest and highest
// reading, and the column's limit lines. Null without readings.
QImage runChartImage(const ReadingsAnalysis &analysis, int column, const QSize &size);

// Fills the report's limits, statistics of the whole table per shown value column, band
// counts and the table's cell limits; the chart only when `chart` is null (pass the window's
// own chart image to use it instead).
void addReportAnalysis(ReportInput &input, const ReadingsAnalysis &analysis, const QList<int> &columns,
                       const QImage &chart = QImage());
