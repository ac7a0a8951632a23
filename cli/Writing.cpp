#include "cli/Writing.h"

#include "cli/CliOutput.h"
#include "cli/Invocation.h"
#include "export/CsvWriter.h"
#include "export/ExcelEngine.h"
#include "export/ExportFlow.h"
#include "export/PdfReport.h"
#include "export/ReportSettings.h"
#include "records/RecordsModel.h"

#include <QFile>
#include <QImage>
#include <QSettings>

#include <cerrno>
#include <memory>

namespace Cli {

int writeRecords(Invocation &run, const RecordsModel &model, const WorkbookFacts &facts)
{
    const int rows = model.rowCount();
    if (!run.toStandardOutput()) {
        auto table = [&] {
            WorkbookTable table = CliOutput::tableOf(model, 0, rows);
            table.facts = facts;
            return table;
        };
        return writeTable(run, table, [&] { return CliOutput::jsonLines(model, 0, rows); }, rows);
    }
    QByteArray bytes;
    if (run.format->isJson())
        bytes = CliOutput::jsonLines(model, 0, rows);
    else
        CsvWriter::appendTo(bytes, CliOutput::tableOf(model, 0, rows));
    return run.print(bytes);
}

int writeTable(Invocation &run, const std::function<WorkbookTable()> &tableOf, const std::function<QByteArray()> &json,
               int rows)
{
    const CliOutput::Format format = *run.format;
    ExcelEngine office;
    FormatWriters writers(office);
    auto produce = [&](const QString &temporary, int *errorNumber) -> bool {
        if (format.isJson()) {
            QFile file(temporary);
            const QByteArray bytes = json();
            if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush())
                return true;
            *errorNumber = errno;
            return false;
        }
        const WorkbookTable table = tableOf();
        const std::unique_ptr<ProgressHandle> progress =
            run.ui.createProgress(nullptr, CliWords::tr("Writing %1").arg(run.output), QString(), 0, rows);
        WorkbookWriter &writer = writers.of(*format.table);
        const bool ok = writer.write(table, temporary, progress.get());
        *errorNumber = writer.lastErrno();
        return ok && !progress->wasCanceled();
    };
    QString reason;
    if (!CliOutput::writeAtomically(run.output, CliOutput::suffixOf(format), produce, &reason)) {
        if (run.interrupted())
            return run.fail(CliWords::tr("interrupted: nothing was written; an existing file is unchanged."));
        if (format.is(ExportFormat::Xls))
            reason += CliWords::tr(" The .xls export needs LibreOffice Calc (libreoffice-calc-nogui); csv and json need "
                                "nothing.");
        return run.fail(reason);
    }
    run.ui.message(CliWords::tr("%1 written.").arg(run.output));
    return Done;
}

void rememberedReportFields(ReportInput &input, QString *logoPath)
{
    // The fields the window's report dialog remembers, in the settings both programs share.
    QSettings settings;
    input.fields = loadReportFields(settings);
    *logoPath = loadReportLogo(settings);
    if (!logoPath->isEmpty())
        input.logo = QImage(*logoPath);
}

int writeReport(Invocation &run, const ReportInput &input, const QString &logoPath, ProgressHandle *progress)
{
    const int error = PdfReport::write(input, run.output, progress);
    if (progress)
        progress->hide();
    return reportWritten(run, error, logoPath, input.logo.isNull());
}

int reportWritten(Invocation &run, int error, const QString &logoPath, bool logoMissing)
{
    if (error == ECANCELED || run.interrupted())
        return run.fail(CliWords::tr("interrupted: nothing was written; an existing file is unchanged."));
    if (error != 0) {
        const QString reason = ExportFlow::failureReason(error, run.output);
        return run.fail(CliWords::tr("writing the report %1 failed; an existing file is unchanged.").arg(run.output)
                        + (reason.isEmpty() ? QString() : QLatin1Char(' ') + reason));
    }
    if (!logoPath.isEmpty() && logoMissing)
        run.ui.message(CliWords::tr("the logo image %1 could not be read and was left out.").arg(logoPath));
    run.ui.message(CliWords::tr("%1 written.").arg(run.output));
    return Done;
}

} // namespace Cli
