#include "recordspage/ReportDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
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
