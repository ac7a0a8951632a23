#pragma once

#include "export/WorkbookTable.h"

#include <QString>

// Writes a table as an Office Open XML workbook (.xlsx) with libxlsxwriter, no office needed.
// The library's constant-memory mode streams each finished row to disk, so a million rows
// cost no more memory than a few.
//
// Sheet 1: the header row (units on a second line) frozen and with an auto-filter, numbers
// as numbers with the column's decimals as their number format, column widths that fit, and
// fill colours by band when limits are set. Sheet 2: the facts about the gauge and the
// session, and per value column the count, out-of-range count, minimum, maximum, mean,
// standard deviation (and the count in each band with limits).
class XlsxWriter : public WorkbookWriter
{
public:
    // Sheet names and the second sheet's labels are in the language in use.
    bool write(const WorkbookTable &table, const QString &path, ProgressHandle *progress) override;
    int lastErrno() const override { return m_errno; }

    // The most data rows a sheet holds (the format's limit less the header row).
    static constexpr int MaxRows = 1048575;

private:
    int m_errno = 0;
};
