#pragma once

#include "export/AssetReport.h"

class JudgementBook;

// The asset report's input from a judged book: every CML of the book worst first, grouped by
// its circuit (its asset when it has none), thickness figures with the decimals of the unit
// (mm: 2, inch: 3). `fields` and `logo` are the report's header as the readings report uses.
AssetReportInput assetReportInput(const JudgementBook &book, const QString &assetPath, const ReportFields &fields,
                                  const QImage &logo = QImage());
