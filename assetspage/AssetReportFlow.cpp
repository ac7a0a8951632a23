#include "assetspage/AssetReportFlow.h"

#include "export/AssetReport.h"
#include "export/CsvWriter.h"
#include "export/ExportFlow.h"
#include "export/ReportSettings.h"
#include "export/XlsxWriter.h"
#include "interaction/UserInteraction.h"
#include "session/AssetReportData.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSettings>

#include <cerrno>

bool AssetReportFlow::run(UserInteraction &ui, QWidget *parent, const JudgementBook &book, const QString &assetPath,
                          QString *written)
{
    const QString pdf = QStringLiteral("PDF(*.pdf)");
    const QString xlsx = ExportFlow::fileType(ExportFormat::Xlsx);
    const QString csv = ExportFlow::fileType(ExportFormat::Csv);
    QString chosen = pdf;
    const QString proposed = ExportFlow::proposedPath(
        QStringLiteral("AssetReport") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss")));
    QString path = ui.getSaveFileName(parent, tr("Save the asset report"), proposed,
                                      pdf + QStringLiteral(";;") + xlsx + QStringLiteral(";;") + csv, &chosen);
    if (path.isEmpty())
        return false;
    ExportFlow::rememberFolder(path);
    // The suffix typed decides; without one, the type chosen in the dialog.
    QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("pdf") && suffix != QLatin1String("xlsx") && suffix != QLatin1String("csv")) {
        suffix = chosen == xlsx ? QStringLiteral("xlsx") : chosen == csv ? QStringLiteral("csv") : QStringLiteral("pdf");
        path += QLatin1Char('.') + suffix;
    }

    QSettings settings;
    const ReportFields fields = loadReportFields(settings);
    const QString logoPath = loadReportLogo(settings);
    const QImage logo = logoPath.isEmpty() ? QImage() : QImage(logoPath);
    const AssetReportInput input = assetReportInput(book, assetPath, fields, logo);

    int error = 0;
    if (suffix == QLatin1String("pdf")) {
        const std::unique_ptr<ProgressHandle> progress =
            ui.createProgress(parent, tr("Writing the report, please wait..."), tr("Cancel"), 0, 100);
        error = writeAssetReportPdf(input, path, progress.get());
        if (progress)
            progress->hide();
    } else {
        const WorkbookTable table = assetReportTable(input);
        const ExportFormat format = suffix == QLatin1String("xlsx") ? ExportFormat::Xlsx : ExportFormat::Csv;
        XlsxWriter xlsxWriter;
        CsvWriter csvWriter;
        WorkbookWriter &writer = format == ExportFormat::Xlsx ? static_cast<WorkbookWriter &>(xlsxWriter)
                                                              : static_cast<WorkbookWriter &>(csvWriter);
        error = ExportFlow::writeFile(writer, table, path, format, nullptr);
    }
    if (error == ECANCELED)
        return false;
    if (error != 0) {
        QString message = tr("Writing the asset report failed.");
        const QString reason = ExportFlow::failureReason(error, path);
        if (!reason.isEmpty())
            message += QStringLiteral("\n\n") + reason;
        ui.information(parent, tr("Tip"), message);
        return false;
    }
    if (written)
        *written = path;
    ui.information(parent, tr("Tip"), tr("The asset report was saved as %1.").arg(QDir::toNativeSeparators(path)));
    return true;
}
