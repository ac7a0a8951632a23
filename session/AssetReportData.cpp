#include "session/AssetReportData.h"

#include "session/JudgementBook.h"

#include <QHash>

AssetReportInput assetReportInput(const JudgementBook &book, const QString &assetPath, const ReportFields &fields,
                                  const QImage &logo)
{
    AssetReportInput input;
    input.fields = fields;
    input.logo = logo;
    input.assetPath = assetPath;
    input.date = QDateTime::currentDateTime();
    QHash<qint64, QString> circuitPaths;
    input.cmls.reserve(book.items().size());
    for (const CmlJudgement &item : book.items()) {
        AssetReportCml c;
        // Listed under its circuit; a CML of no circuit under its own asset.
        if (!item.circuit) {
            c.group = item.assetPath;
        } else if (item.circuit == item.cml.asset) {
            c.group = item.assetPath;
        } else {
            auto known = circuitPaths.constFind(item.circuit);
            if (known == circuitPaths.constEnd())
                known = circuitPaths.insert(item.circuit, book.places().assetPath(item.circuit));
            c.group = *known;
        }
        c.tag = item.cml.tag;
        c.description = item.cml.description;
        c.unit = item.unit.isEmpty() ? item.requirement.unit : item.unit;
        c.decimals = c.unit == QLatin1String("inch") ? 3 : 2;
        c.nominal = item.cml.nominal;
        c.design = item.design;
        c.requirement = item.requirement;
        c.policy = item.policy;
        c.series = item.series;
        c.figures = item.figures;
        input.cmls.append(c);
    }
    return input;
}
