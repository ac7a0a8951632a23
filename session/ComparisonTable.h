#pragma once

#include "analysis/SurveyComparison.h"
#include "export/WorkbookTable.h"

#include <QList>

class SurveyStore;

// Between the survey file and the comparison: loads past sessions as surveys, and lays a
// comparison out as a table for the writers (.xlsx, .csv) and the PDF report. Used by the
// history's comparison window and by `palvarin-cli compare`.

// Loads the sessions `ids` as surveys: the thickness of `layer` (0..2; the multi-layer
// layout's layer, ignored for the single-layer layout) rounded as its column showed it,
// deleted rows left out. Sessions of different layouts or unknown ids are refused with a
// message in `error`, in the language in use (an empty list is then returned).
QVector<ComparedSurvey> loadSurveys(SurveyStore &store, const QList<qint64> &ids, int layer, QString *error);

// The comparison as a table: one row per location, in the comparison's order: location,
// each survey's thickness (header: its date), wall loss, long-term, short-term and governing
// rate, remaining life, next inspection date, note. Numbers stay numbers; missing figures are
// empty cells. Headers and notes in the language in use; the facts as every report states
// them (the gauges, the meter type of the layout compared).
WorkbookTable comparisonTable(const SurveyComparison &comparison, bool multiLayer);
