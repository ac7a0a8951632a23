#include "export/ReportSettings.h"

#include <QSettings>

namespace {

const char *const keys[] = {"company", "inspector", "qualification", "location", "procedure", "probe",
                            "calibrationBlock", "notes"};

QString *field(ReportFields &f, int i)
{
    QString *const all[] = {&f.company, &f.inspector, &f.qualification, &f.location, &f.procedure, &f.probe,
                            &f.calibrationBlock, &f.notes};
    return all[i];
}

} // namespace

ReportFields loadReportFields(QSettings &settings)
{
    ReportFields f;
    settings.beginGroup(QStringLiteral("report"));
    for (int i = 0; i < 8; ++i)
        *field(f, i) = settings.value(QString::fromLatin1(keys[i])).toString();
    settings.endGroup();
    return f;
}

QString loadReportLogo(QSettings &settings)
{
    return settings.value(QStringLiteral("report/logo")).toString();
}

void saveReportFields(QSettings &settings, const ReportFields &fields, const QString &logoPath)
{
    ReportFields f = fields;
    settings.beginGroup(QStringLiteral("report"));
    for (int i = 0; i < 8; ++i)
        settings.setValue(QString::fromLatin1(keys[i]), *field(f, i));
    settings.setValue(QStringLiteral("logo"), logoPath);
    settings.endGroup();
}
