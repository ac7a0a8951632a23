#include "export/AssetReportColumns.h"

#include "analysis/AnalysisWords.h"
#include "analysis/Limits.h"
#include "analysis/SurveyComparison.h"
#include "records/RecordsModel.h"

#include <QCoreApplication>

#include <cmath>

namespace AssetReportColumns {

namespace {

QString say(const char *source)
{
    return QCoreApplication::translate("AssetReport", source);
}

WorkbookCell numberCell(double value, int decimals)
{
    if (!std::isfinite(value))
        return WorkbookCell();
    return WorkbookCell::ofNumber(shown(value, decimals), decimals);
}

// Rates carry one digit more than thicknesses, as the survey comparison's do.
int rateDecimals(const AssetReportCml &c)
{
    return c.decimals + 1;
}

double newest(const AssetReportCml &c)
{
    const int i = c.figures.actual;
    return i >= 0 && i < c.series.readings.size() ? c.series.readings[i].thickness
                                                  : std::numeric_limits<double>::quiet_NaN();
}

QString requiredBy(const AssetReportCml &c)
{
    QString by = c.requirement.governs == ThicknessRequirement::Governs::Pressure
                     ? formulaWords(c.design.formula)
                     : requirementGovernsWords(c.requirement.governs);
    if (!c.requirement.refusal.isEmpty())
        by = (by.isEmpty() ? QString() : by + QStringLiteral("; ")) + findingText(c.requirement.refusal);
    return by;
}

QString marksText(const AssetReportCml &c)
{
    QStringList parts;
    for (ReadingMark mark : {ReadingMark::Excluded, ReadingMark::Verify, ReadingMark::Outlier}) {
        int n = 0;
        for (int i = 0; i < c.figures.marks.size(); ++i)
            n += c.figures.marks[i] == mark && c.series.readings.value(i).decision == MarkDecision::None;
        if (n)
            parts << say(QT_TRANSLATE_NOOP("AssetReport", "%1: %2")).arg(markWords(mark)).arg(n);
    }
    return parts.join(QStringLiteral(", "));
}

} // namespace

double shown(double value, int decimals)
{
    return RecordsModel::shownValue(value, decimals);
}

QString numberText(double value, int decimals)
{
    return std::isfinite(value) ? QString::number(shown(value, decimals), 'f', decimals) : QString();
}

QString dateText(qint64 ms)
{
    return comparisonDate(ms);
}

QString intervalWords(const JudgementPolicy &policy)
{
    if (policy.interval == IntervalRule::Years)
        return say(QT_TRANSLATE_NOOP("AssetReport", "%1 years")).arg(readableNumber(maximumIntervalYears(policy), 2));
    return intervalRuleWords(policy.interval);
}

QString header(Column column)
{
    switch (column) {
    case Column::Group: return say(QT_TRANSLATE_NOOP("AssetReport", "Circuit"));
    case Column::Tag: return say(QT_TRANSLATE_NOOP("AssetReport", "CML"));
    case Column::Description: return say(QT_TRANSLATE_NOOP("AssetReport", "Description"));
    case Column::Unit: return say(QT_TRANSLATE_NOOP("AssetReport", "Unit"));
    case Column::Nominal: return say(QT_TRANSLATE_NOOP("AssetReport", "Nominal"));
    case Column::Required: return say(QT_TRANSLATE_NOOP("AssetReport", "Required"));
    case Column::RequiredBy: return say(QT_TRANSLATE_NOOP("AssetReport", "Required by"));
    case Column::Newest: return say(QT_TRANSLATE_NOOP("AssetReport", "Newest reading"));
    case Column::NewestDate: return say(QT_TRANSLATE_NOOP("AssetReport", "Date of the newest"));
    case Column::LongTerm: return say(QT_TRANSLATE_NOOP("AssetReport", "Long-term rate (per year)"));
    case Column::ShortTerm: return say(QT_TRANSLATE_NOOP("AssetReport", "Short-term rate (per year)"));
    case Column::Regression: return say(QT_TRANSLATE_NOOP("AssetReport", "Fitted rate (per year)"));
    case Column::RegressionLow: return say(QT_TRANSLATE_NOOP("AssetReport", "Fitted rate, 95 % low"));
    case Column::RegressionHigh: return say(QT_TRANSLATE_NOOP("AssetReport", "Fitted rate, 95 % high"));
    case Column::RegressionInterval: return say(QT_TRANSLATE_NOOP("AssetReport", "Fitted rate, 95 % interval"));
    case Column::Governing:
    case Column::GoverningRate: return say(QT_TRANSLATE_NOOP("AssetReport", "Governing rate (per year)"));
    case Column::Governs: return say(QT_TRANSLATE_NOOP("AssetReport", "Governing"));
    case Column::Remaining: return say(QT_TRANSLATE_NOOP("AssetReport", "Remaining life (years)"));
    case Column::Next: return say(QT_TRANSLATE_NOOP("AssetReport", "Next inspection"));
    case Column::Marked: return say(QT_TRANSLATE_NOOP("AssetReport", "Marked readings"));
    case Column::Marks: return say(QT_TRANSLATE_NOOP("AssetReport", "Marks"));
    }
    return QString();
}

QString briefHeader(Column column)
{
    switch (column) {
    case Column::Newest: return say(QT_TRANSLATE_NOOP("AssetReport", "Newest"));
    case Column::NewestDate: return say(QT_TRANSLATE_NOOP("AssetReport", "Date"));
    case Column::LongTerm: return say(QT_TRANSLATE_NOOP("AssetReport", "Long-term"));
    case Column::ShortTerm: return say(QT_TRANSLATE_NOOP("AssetReport", "Short-term"));
    case Column::Regression: return say(QT_TRANSLATE_NOOP("AssetReport", "Fitted"));
    case Column::RegressionInterval: return say(QT_TRANSLATE_NOOP("AssetReport", "Fitted, 95 %"));
    case Column::Governing: return say(QT_TRANSLATE_NOOP("AssetReport", "Governing"));
    case Column::Remaining: return say(QT_TRANSLATE_NOOP("AssetReport", "Life (years)"));
    case Column::Next: return say(QT_TRANSLATE_NOOP("AssetReport", "Next"));
    default: break;
    }
    return header(column);
}

WorkbookCell cell(const AssetReportCml &c, Column column)
{
    const CmlFigures &f = c.figures;
    auto text = [](const QString &t) { return t.isEmpty() ? WorkbookCell() : WorkbookCell::ofText(t); };
    switch (column) {
    case Column::Group: return text(c.group);
    case Column::Tag: return text(c.tag);
    case Column::Description: return text(c.description);
    case Column::Unit: return text(c.unit);
    case Column::Nominal: return numberCell(c.nominal, c.decimals);
    case Column::Required: return numberCell(c.requirement.required, c.decimals);
    case Column::RequiredBy: return text(requiredBy(c));
    case Column::Newest: return numberCell(newest(c), c.decimals);
    case Column::NewestDate:
        return f.actual >= 0 && f.actual < c.series.readings.size() ? text(dateText(c.series.readings[f.actual].dateMs))
                                                                     : WorkbookCell();
    case Column::LongTerm: return numberCell(f.longTerm, rateDecimals(c));
    case Column::ShortTerm: return numberCell(f.shortTerm, rateDecimals(c));
    case Column::Regression: return numberCell(f.regression, rateDecimals(c));
    case Column::RegressionLow: return numberCell(f.regressionLow, rateDecimals(c));
    case Column::RegressionHigh: return numberCell(f.regressionHigh, rateDecimals(c));
    case Column::RegressionInterval:
        if (!std::isfinite(f.regressionLow) || !std::isfinite(f.regressionHigh))
            return WorkbookCell();
        return text(say(QT_TRANSLATE_NOOP("AssetReport", "%1 – %2"))
                        .arg(numberText(f.regressionLow, rateDecimals(c)), numberText(f.regressionHigh, rateDecimals(c))));
    case Column::Governing: return numberCell(f.governing, rateDecimals(c));
    case Column::Governs: return text(governsWords(f.governs));
    case Column::GoverningRate:
        if (!std::isfinite(f.governing))
            return WorkbookCell();
        return text(say(QT_TRANSLATE_NOOP("AssetReport", "%1 %2"))
                        .arg(numberText(f.governing, rateDecimals(c)), governsWords(f.governs)));
    case Column::Remaining:
        if (std::isinf(f.remainingYears))
            return text(say(QT_TRANSLATE_NOOP("AssetReport", "no thinning")));
        return numberCell(f.remainingYears, 1);
    case Column::Next: return f.nextMs ? text(dateText(f.nextMs)) : WorkbookCell();
    case Column::Marked: return WorkbookCell::ofNumber(f.markedReadings(), 0);
    case Column::Marks: return text(marksText(c));
    }
    return WorkbookCell();
}

WorkbookTable table(const QVector<const AssetReportCml *> &cmls, const QVector<Column> &columns, bool brief)
{
    WorkbookTable t;
    t.outOfRangeColumn = false;
    for (Column column : columns) {
        t.headers << (brief ? briefHeader(column) : header(column));
        t.dateColumns << (column == Column::NewestDate || column == Column::Next);
    }
    for (const AssetReportCml *c : cmls) {
        QVector<WorkbookCell> row;
        row.reserve(columns.size());
        for (Column column : columns)
            row << cell(*c, column);
        t.rows << row;
        // The comparison's colours: under the minimum red, less life than the interval amber.
        t.rowBands << (c->figures.underMinimum           ? std::optional<Band>(Band::Red)
                       : c->figures.lessLifeThanInterval ? std::optional<Band>(Band::Amber)
                                                         : std::nullopt);
    }
    return t;
}

} // namespace AssetReportColumns

WorkbookTable assetReportTable(const AssetReportInput &input)
{
    using AssetReportColumns::Column;
    QVector<const AssetReportCml *> cmls;
    for (const AssetReportCml &c : input.cmls)
        cmls << &c;
    WorkbookTable t = AssetReportColumns::table(
        cmls, {Column::Group, Column::Tag, Column::Description, Column::Unit, Column::Nominal, Column::Required,
               Column::RequiredBy, Column::Newest, Column::NewestDate, Column::LongTerm, Column::ShortTerm,
               Column::Regression, Column::RegressionLow, Column::RegressionHigh, Column::Governing, Column::Governs,
               Column::Remaining, Column::Next, Column::Marked});
    const QString date = (input.date.isValid() ? input.date : QDateTime::currentDateTime()).toString(QStringLiteral("yyyy-MM-dd"));
    t.facts.date = date;
    t.facts.more.append({QCoreApplication::translate("AssetReport", "Asset"),
                         WorkbookCell::ofText(input.assetPath.isEmpty()
                                                  ? QCoreApplication::translate("AssetReport", "every asset")
                                                  : input.assetPath)});
    return t;
}
