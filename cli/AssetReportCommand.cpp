// asset report: every CML of an asset judged over time, as the PDF report or one table.
#include "cli/Commands.h"
#include "cli/Invocation.h"
#include "cli/PlaceLists.h"
#include "cli/Writing.h"
#include "export/AssetReport.h"
#include "export/CsvWriter.h"
#include "export/PdfReport.h"
#include "session/AssetReportData.h"
#include "session/JudgementBook.h"
#include "store/SurveyStore.h"

#include <QFileInfo>

namespace Cli {

int assetReport(Invocation &run)
{
    SurveyStore store;
    switch (openStore(run, store)) {
    case Opened::Failed:
        return Failed;
    case Opened::Missing:
        return run.fail(CliWords::tr("there is no survey file yet (%1), so no CMLs to report.").arg(run.storePath));
    case Opened::Yes:
        break;
    }
    Places places(store);
    qint64 asset = 0;
    if (!assetOption(run, places, &asset))
        return Failed;
    JudgementBook book(places);
    if (!book.load(asset))
        return placesFailed(run, places, store);

    ReportInput remembered;
    QString logoPath;
    rememberedReportFields(remembered, &logoPath);
    const AssetReportInput input =
        assetReportInput(book, asset ? places.assetPath(asset) : QString(), remembered.fields, remembered.logo);

    if (QFileInfo(run.output).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0)
        return reportWritten(run, writeAssetReportPdf(input, run.output), logoPath, input.logo.isNull());
    if (run.toStandardOutput()) {
        QByteArray bytes;
        CsvWriter::appendTo(bytes, assetReportTable(input));
        return run.print(bytes);
    }
    // The command takes no JSON (its formats say so): the table is all there is to write.
    return writeTable(run, [&] { return assetReportTable(input); }, [] { return QByteArray(); },
                      int(input.cmls.size()));
}

} // namespace Cli
