#include "session/ReportFacts.h"

#include "analysis/SurveyComparison.h"

#include <QCoreApplication>

QString meterTypeWords(int layout)
{
    if (layout == 1)
        return QCoreApplication::translate("ReportFacts", "single layer");
    if (layout == 2)
        return QCoreApplication::translate("ReportFacts", "multi layer");
    return QString();
}

WorkbookFacts gaugeFacts(const QString &serial, const QString &firmware, int layout, const QString &date)
{
    WorkbookFacts facts;
    facts.serial = serial;
    facts.firmware = firmware;
    facts.meterType = meterTypeWords(layout);
    facts.date = date;
    return facts;
}

WorkbookFacts comparisonFacts(const QVector<ComparedSurvey> &surveys, bool multiLayer)
{
    return gaugeFacts(surveyGauges(surveys).join(QStringLiteral(", ")), QString(), multiLayer ? 2 : 1);
}
