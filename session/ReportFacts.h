#pragma once

#include "export/WorkbookTable.h"

#include <QString>
#include <QVector>

struct ComparedSurvey;

// The facts of the gauge whose readings are written, in the words a workbook's facts sheet
// and a report's header use: one builder, so that the window, the comparison and the
// command-line tool say the same of the same gauge.

// The meter type as the table's layout tells it: "single layer" (1), "multi layer" (2), in
// the language in use; empty for another layout.
QString meterTypeWords(int layout);
// `firmware` and `date` may be empty (left out); `date` empty: the time of writing.
WorkbookFacts gaugeFacts(const QString &serial, const QString &firmware, int layout, const QString &date = QString());
// The facts of surveys compared: every gauge that took them, in order, and the meter type.
WorkbookFacts comparisonFacts(const QVector<ComparedSurvey> &surveys, bool multiLayer);
