#include "recordspage/ReportDialog.h"

#include "export/ExportFlow.h"
#include "export/ReportSettings.h"
#include "interaction/UserInteraction.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

ReportDialog::ReportDialog(const ReportFields &fields, const QString &logoPath, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("reportDialog"));
    setWindowTitle(tr("Inspection report"));
    auto *form = new QFormLayout;
    auto line = [&](const QString &label, const QString &value, const char *name) {
        auto *edit = new QLineEdit(value, this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMinimumWidth(320);
        form->addRow(label, edit);
        return edit;
    };
    company = line(tr("Company"), fields.company, "company");
    inspector = line(tr("Inspector"), fields.inspector, "inspector");
    qualification = line(tr("Qualification"), fields.qualification, "qualification");
    location = line(tr("Location / asset"), fields.location, "location");
    procedure = line(tr("Procedure"), fields.procedure, "procedure");
    probe = line(tr("Probe"), fields.probe, "probe");
    calibrationBlock = line(tr("Calibration block"), fields.calibrationBlock, "calibrationBlock");
    notes = new QPlainTextEdit(fields.notes, this);
    notes->setObjectName(QStringLiteral("notes"));
    notes->setFixedHeight(notes->fontMetrics().lineSpacing() * 4 + 12);
    form->addRow(tr("Notes"), notes);
    logo = line(tr("Logo image (optional)"), logoPath, "logo");
    logo->setPlaceholderText(tr("Path of a PNG or JPEG file"));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Create report"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

ReportFields ReportDialog::fields() const
{
    ReportFields f;
    f.company = company->text().trimmed();
    f.inspector = inspector->text().trimmed();
    f.qualification = qualification->text().trimmed();
    f.location = location->text().trimmed();
    f.procedure = procedure->text().trimmed();
    f.probe = probe->text().trimmed();
    f.calibrationBlock = calibrationBlock->text().trimmed();
    f.notes = notes->toPlainText().trimmed();
    return f;
}

QString ReportDialog::logoPath() const
{
    return logo->text().trimmed();
}

bool ReportDialog::askFields(QWidget *parent, ReportFields *fields, QString *logoPath)
{
    QSettings settings;
    ReportDialog dialog(loadReportFields(settings), loadReportLogo(settings), parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *fields = dialog.fields();
    *logoPath = dialog.logoPath();
    saveReportFields(settings, *fields, *logoPath);
    return true;
}

QString ReportDialog::askPath(UserInteraction &ui, QWidget *parent, const QString &title, const QString &baseName)
{
    QString path = ui.getSaveFileName(
        parent, title,
        ExportFlow::proposedPath(baseName + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss"))),
        QStringLiteral("PDF(*.pdf)"));
    ExportFlow::rememberFolder(path);
    if (!path.isEmpty() && QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0)
        path += QStringLiteral(".pdf");
    return path;
}

bool ReportDialog::writeFile(UserInteraction &ui, QWidget *parent, const ReportInput &input,
                             const QString &path, const QString &logoPath, int steps)
{
    const std::unique_ptr<ProgressHandle> progress =
        ui.createProgress(parent, tr("Writing the report, please wait..."),
                          tr("Cancel"), 0, steps);
    const int error = PdfReport::write(input, path, progress.get());
    progress->hide();
    if (error == ECANCELED)
        return false;
    if (error != 0) {
        QString message = tr("Writing the report failed.");
        const QString reason = ExportFlow::failureReason(error, path);
        if (!reason.isEmpty())
            message += QStringLiteral("\n\n") + reason;
        ui.information(parent, tr("Tip"), message);
        return false;
    }
    QString message = tr("The report was saved as %1.").arg(QDir::toNativeSeparators(path));
    if (!logoPath.isEmpty() && input.logo.isNull())
        message += QLatin1Char(' ')
                   + tr("The logo image could not be read and was left out.");
    ui.information(parent, tr("Tip"), message);
    return true;
}
