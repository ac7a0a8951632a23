#include "export/ExportFormat.h"

#include "export/CsvWriter.h"
#include "export/XlsxWriter.h"

#include <QFileInfo>

QString formatSuffix(ExportFormat format)
{
    static const char *const suffixes[] = {"xls", "xlsx", "csv"};
    return QString::fromLatin1(suffixes[int(format)]);
}

std::optional<ExportFormat> formatNamed(const QString &name)
{
    const QString given = name.toLower();
    for (ExportFormat f : {ExportFormat::Xls, ExportFormat::Xlsx, ExportFormat::Csv})
        if (given == formatSuffix(f))
            return f;
    return std::nullopt;
}

std::optional<ExportFormat> formatOfSuffix(const QString &path)
{
    return formatNamed(QFileInfo(path).suffix());
}

FormatWriters::FormatWriters(WorkbookWriter &xls)
    : m_csv(std::make_unique<CsvWriter>()), m_xlsx(std::make_unique<XlsxWriter>()),
      m_writers{&xls, m_xlsx.get(), m_csv.get()}
{
}

FormatWriters::~FormatWriters() = default;

WorkbookWriter &FormatWriters::of(ExportFormat format) const
{
    return *m_writers[int(format)];
}

void FormatWriters::set(ExportFormat format, WorkbookWriter &writer)
{
    m_writers[int(format)] = &writer;
}
