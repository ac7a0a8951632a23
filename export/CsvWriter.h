#pragma once

#include "export/WorkbookTable.h"

// Writes a table as CSV for scripts and other programs: RFC 4180 (comma, CRLF, fields with a
// comma, quote or line break quoted), UTF-8 without a byte-order mark.
//
// Row 1 holds the headers with their units on one line ("Thickness (mm)"). Numbers are
// written with a dot and exactly the digits the table shows. A reading out of range is an
// empty field, never a word where a number belongs; the last column, "Out of range" (in the
// language in use, as the other headers are), names the columns of the row that were out of
// range (empty when none); a table that holds no readings goes without it.
class CsvWriter : public WorkbookWriter
{
public:
    bool write(const WorkbookTable &table, const QString &path, ProgressHandle *progress) override;
    int lastErrno() const override { return m_errno; }

    // The header of the flag column.
    static QString flagHeader();
    // One table as CSV text, the same bytes write() puts in a file (for standard output).
    // Returns false when the progress was cancelled.
    static bool appendTo(QByteArray &out, const WorkbookTable &table, ProgressHandle *progress = nullptr);

private:
    int m_errno = 0;
};
