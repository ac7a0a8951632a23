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

namespace {

QString tr2(bool chinese, const char *english, const char *chineseText)
{
    return QString::fromUtf8(chinese ? chineseText : english);
}

} // namespace

ReportDialog::ReportDialog(const ReportFields &fields, const QString &logoPath, bool chinese, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("reportDialog"));
    setWindowTitle(tr2(chinese, "Inspection report", "检测报告"));
    auto *form = new QFormLayout;
    auto line = [&](const QString &label, const QString &value, const char *name) {
        auto *edit = new QLineEdit(value, this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMinimumWidth(320);
        form->addRow(label, edit);
        return edit;
    };
    company = line(tr2(chinese, "Company", "公司"), fields.company, "company");
    inspector = line(tr2(chinese, "Inspector", "检测员"), fields.inspector, "inspector");
    qualification = line(tr2(chinese, "Qualification", "资质"), fields.qualification, "qualification");
    location = line(tr2(chinese, "Location / asset", "地点/设备"), fields.location, "location");
    procedure = line(tr2(chinese, "Procedure", "检测规程"), fields.procedure, "procedure");
    probe = line(tr2(chinese, "Probe", "探头"), fields.probe, "probe");
    calibrationBlock = line(tr2(chinese, "Calibration block", "校准试块"), fields.calibrationBlock, "calibrationBlock");
    notes = new QPlainTextEdit(fields.notes, this);
    notes->setObjectName(QStringLiteral("notes"));
    notes->setFixedHeight(notes->fontMetrics().lineSpacing() * 4 + 12);
    form->addRow(tr2(chinese, "Notes", "备注"), notes);
    logo = line(tr2(chinese, "Logo image (optional)", "徽标图片（可选）"), logoPath, "logo");
    logo->setPlaceholderText(tr2(chinese, "Path of a PNG or JPEG file", "PNG或JPEG文件的路径"));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr2(chinese, "Create report", "生成报告"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr2(chinese, "Cancel", "取消"));
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

bool ReportDialog::askFields(QWidget *parent, bool chinese, ReportFields *fields, QString *logoPath)
{
    QSettings settings;
    ReportDialog dialog(loadReportFields(settings), loadReportLogo(settings), chinese, parent);
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

bool ReportDialog::writeFile(UserInteraction &ui, QWidget *parent, bool chinese, const ReportInput &input,
                             const QString &path, const QString &logoPath, int steps)
{
    const std::unique_ptr<ProgressHandle> progress =
        ui.createProgress(parent, tr2(chinese, "Writing the report, please wait...", "正在生成报告，请等待……"),
                          tr2(chinese, "Cancel", "取消"), 0, steps);
    const int error = PdfReport::write(input, path, progress.get());
    progress->hide();
    if (error == ECANCELED)
        return false;
    if (error != 0) {
        QString message = tr2(chinese, "Writing the report failed.", "生成报告失败。");
        const QString reason = ExportFlow::failureReason(error, path, chinese);
        if (!reason.isEmpty())
            message += QStringLiteral("\n\n") + reason;
        ui.information(parent, tr2(chinese, "Tip", "提示"), message);
        return false;
    }
    QString message = tr2(chinese, "The report was saved as %1.", "报告已保存为 %1。").arg(QDir::toNativeSeparators(path));
    if (!logoPath.isEmpty() && input.logo.isNull())
        message += QLatin1Char(' ')
                   + tr2(chinese, "The logo image could not be read and was left out.", "无法读取徽标图片，报告中未包含徽标。");
    ui.information(parent, tr2(chinese, "Tip", "提示"), message);
    return true;
}
