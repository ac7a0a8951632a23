#pragma once

#include "export/AssetReport.h"

#include <QString>
#include <QVector>

// The columns the asset report's tables are made of: the PDF's table per circuit and the
// workbook's one table take their cells from here, so both show the same figures in the same
// digits.
namespace AssetReportColumns {

enum class Column : quint8 {
    Group,
    Tag,
    Description,
    Unit,
    Nominal,
    Required,
    RequiredBy,      // which requirement governs (the standard, or the structural minimum)
    Newest,          // the newest counted reading
    NewestDate,
    LongTerm,
    ShortTerm,
    Regression,
    RegressionLow,   // its 95 % interval
    RegressionHigh,
    RegressionInterval, // its 95 % interval as one text
    Governing,
    Governs,         // which rate governs
    GoverningRate,   // the rate and which one as one text
    Remaining,       // years
    Next,            // the next inspection date
    Marked,          // readings with an undecided mark, counted
    Marks,           // the same, by kind, as a text
};

QString header(Column column);
// The same in a word or two, for the report's narrow columns (its titles give the units).
QString briefHeader(Column column);
WorkbookCell cell(const AssetReportCml &cml, Column column);
// The CMLs as rows of the columns, in their band (under the minimum red, less life than the
// interval amber); date columns marked.
WorkbookTable table(const QVector<const AssetReportCml *> &cmls, const QVector<Column> &columns, bool brief = false);

// A policy's longest interval in words, with its years.
QString intervalWords(const JudgementPolicy &policy);

// `value` rounded to the digits shown, so that a sheet's number reads as the report's text.
double shown(double value, int decimals);
// The same as text (empty for a number that is not finite).
QString numberText(double value, int decimals);
// A date as every table of the program writes it (yyyy-MM-dd).
QString dateText(qint64 ms);

} // namespace AssetReportColumns
