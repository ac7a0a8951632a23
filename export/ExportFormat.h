#pragma once

#include <QString>

#include <memory>
#include <optional>

class CsvWriter;
class WorkbookWriter;
class XlsxWriter;

// The file formats a table is exported to, by the window and by the command line alike.
enum class ExportFormat : quint8 { Xls, Xlsx, Csv };

// "xls", "xlsx", "csv".
QString formatSuffix(ExportFormat format);
// The format a name or a file's suffix names (case ignored); none for another.
std::optional<ExportFormat> formatNamed(const QString &name);
std::optional<ExportFormat> formatOfSuffix(const QString &path);

// The writer of each format: .xlsx and .csv are built in; .xls needs an office, so its writer
// is the caller's (it must outlive this).
class FormatWriters
{
public:
    explicit FormatWriters(WorkbookWriter &xls);
    ~FormatWriters();

    WorkbookWriter &of(ExportFormat format) const;
    // `writer` (which must outlive this) writes `format` instead.
    void set(ExportFormat format, WorkbookWriter &writer);

private:
    std::unique_ptr<CsvWriter> m_csv;
    std::unique_ptr<XlsxWriter> m_xlsx;
    WorkbookWriter *m_writers[3];
};
