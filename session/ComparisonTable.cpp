#include "session/ComparisonTable.h"

#include "analysis/AnalysisWords.h"
#include "records/RecordsModel.h"
#include "session/ReportFacts.h"
#include "store/SurveyStore.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cmath>

namespace {

WorkbookCell numberCell(double value, int decimals)
{
    if (!std::isfinite(value))
        return WorkbookCell();
    return WorkbookCell::ofNumber(RecordsModel::shownValue(value, decimals), decimals);
}

QString say(const char *source)
{
    return QCoreApplication::translate("ComparisonTable", source);
}

} // namespace

QVector<ComparedSurvey> loadSurveys(SurveyStore &store, const QList<qint64> &ids, int layer, QString *error)
{
    auto refuse = [error](const QString &why) {
        if (error)
            *error = why;
        return QVector<ComparedSurvey>();
    };
    if (error)
        error->clear();
    const QVector<SurveySummary> history = store.history();
    QVector<ComparedSurvey> out;
    int layout = 0;
    for (qint64 id : ids) {
        const SurveySummary *summary = nullptr;
        for (const SurveySummary &s : history)
            if (s.id == id)
                summary = &s;
        if (!summary)
            return refuse(say(QT_TRANSLATE_NOOP("ComparisonTable", "There is no survey %1 in the survey file.")).arg(id));
        // Named as the history lists it: the id the tool takes, the date and gauge the window shows.
        const QString started = QDateTime::fromMSecsSinceEpoch(summary->startedMs).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        const QString name =
            say(QT_TRANSLATE_NOOP("ComparisonTable", "%1 (%2, gauge %3)")).arg(id).arg(started, summary->info.serial);
        StoredTable stored;
        if (!store.loadSession(id, stored))
            return refuse(
                say(QT_TRANSLATE_NOOP("ComparisonTable", "Survey %1 could not be read: the survey file may be damaged."))
                    .arg(name));
        // A session whose rows were all deleted has no stored columns to read either.
        const SurveyInfo &info = stored.records.isEmpty() ? summary->info : stored.info;
        if (info.layout != 1 && info.layout != 2)
            return refuse(
                say(QT_TRANSLATE_NOOP("ComparisonTable", "Survey %1 has no table layout that can be compared.")).arg(name));
        if (layout && info.layout != layout) {
            const auto layoutName = [](int l) {
                return l == 1 ? say(QT_TRANSLATE_NOOP("ComparisonTable", "single-layer"))
                              : say(QT_TRANSLATE_NOOP("ComparisonTable", "multi-layer"));
            };
            return refuse(say(QT_TRANSLATE_NOOP("ComparisonTable", "Survey %1 is in the %2 layout, the others in the %3 "
                                                                   "layout: they cannot be compared."))
                              .arg(name)
                              .arg(layoutName(info.layout), layoutName(layout)));
        }
        layout = info.layout;
        if (layout == 2 && (layer < 0 || layer > 2))
            return refuse(
                say(QT_TRANSLATE_NOOP("ComparisonTable", "There is no layer %1: the multi-layer layout has layers 1 to 3."))
                    .arg(layer + 1));
        // Single layer: values[0] is the thickness; its column comes first in unitNames and
        // decimals, which list the value columns in table order. Multi layer: layer i is both.
        const int value = layout == 1 ? 0 : layer;
        if (info.unitNames.size() <= value || info.decimals.size() <= value)
            return refuse(say(QT_TRANSLATE_NOOP("ComparisonTable", "The columns of survey %1 cannot be read from the "
                                                                   "survey file."))
                              .arg(name));

        ComparedSurvey s;
        s.id = id;
        s.serial = info.serial;
        s.dateMs = summary->startedMs;
        s.unit = info.unitNames[value];
        s.decimals = info.decimals[value];
        s.locations.reserve(stored.records.size());
        s.thickness.reserve(stored.records.size());
        for (int r = 0; r < stored.records.size(); ++r) {
            const Record &record = stored.records[r];
            // A single-layer location is the record's place in the gauge's memory, which no
            // deleted or pushed row shifts; a pushed measurement has none.
            if (layout == 1 && record.number == 0) {
                ++s.unplaced;
                continue;
            }
            s.locations.append(layout == 2 ? record.name : QString::number(record.number));
            s.thickness.append(record.isOutOfRange(value)
                                   ? std::numeric_limits<double>::quiet_NaN()
                                   : RecordsModel::shownValue(double(record.values[size_t(value)]), s.decimals));
        }
        out.append(s);
    }
    return out;
}

WorkbookTable comparisonTable(const SurveyComparison &comparison, bool multiLayer)
{
    WorkbookTable table;
    if (comparison.surveys.isEmpty())
        return table;
    const ComparedSurvey &newest = comparison.surveys.last();
    const int decimals = newest.decimals >= 0 ? newest.decimals : 2;
    const QString unit = RecordsModel::unitSuffix(comparison.unit);
    const QString rateUnit = comparison.unit.isEmpty()
                                 ? QString()
                                 : RecordsModel::unitSuffix(comparison.unit + say(QT_TRANSLATE_NOOP("ComparisonTable", "/y")));

    table.headers << say(QT_TRANSLATE_NOOP("ComparisonTable", "Location"));
    for (const ComparedSurvey &s : comparison.surveys)
        table.headers << say(QT_TRANSLATE_NOOP("ComparisonTable", "Thickness")) + QLatin1Char('\n')
                             + comparisonDate(s.dateMs) + unit;
    table.headers << say(QT_TRANSLATE_NOOP("ComparisonTable", "Wall loss")) + unit
                  << say(QT_TRANSLATE_NOOP("ComparisonTable", "Long-term rate")) + rateUnit
                  << say(QT_TRANSLATE_NOOP("ComparisonTable", "Short-term rate")) + rateUnit
                  << say(QT_TRANSLATE_NOOP("ComparisonTable", "Governing rate")) + rateUnit
                  << say(QT_TRANSLATE_NOOP("ComparisonTable", "Remaining life\n(years)"))
                  << say(QT_TRANSLATE_NOOP("ComparisonTable", "Next inspection"))
                  << say(QT_TRANSLATE_NOOP("ComparisonTable", "Note"));

    for (const LocationComparison &c : comparison.rows) {
        QVector<WorkbookCell> row;
        row.reserve(table.headers.size());
        row << WorkbookCell::ofText(c.location);
        for (int i = 0; i < comparison.surveys.size(); ++i) {
            const int d = comparison.surveys[i].decimals >= 0 ? comparison.surveys[i].decimals : decimals;
            row << numberCell(c.thickness.value(i, std::numeric_limits<double>::quiet_NaN()), d);
        }
        row << numberCell(c.wallLoss, decimals) << numberCell(c.longTermRate, decimals + 1)
            << numberCell(c.shortTermRate, decimals + 1) << numberCell(c.governingRate, decimals + 1);
        if (std::isinf(c.remainingYears))
            row << WorkbookCell::ofText(say(QT_TRANSLATE_NOOP("ComparisonTable", "no wear")));
        else
            row << numberCell(c.remainingYears, 1);
        row << (c.nextInspectionMs ? WorkbookCell::ofText(comparisonDate(c.nextInspectionMs)) : WorkbookCell());
        row << (c.note.isEmpty() ? WorkbookCell() : WorkbookCell::ofText(findingsText(c.note)));
        table.rows.append(row);
        // The comparison window's colours: under the minimum red, less life than the interval amber.
        table.rowBands << (c.underMinimum        ? std::optional<Band>(Band::Red)
                           : c.dueWithinInterval ? std::optional<Band>(Band::Amber)
                                                 : std::nullopt);
    }
    table.dateColumns = QVector<bool>(table.headers.size(), false);
    table.dateColumns[table.headers.size() - 2] = true; // the next inspection
    table.facts = comparisonFacts(comparison.surveys, multiLayer);
    table.facts.date = comparisonDate(newest.dateMs);
    if (comparison.settings.minimum)
        table.facts.more.append({say(QT_TRANSLATE_NOOP("ComparisonTable", "Minimum thickness"))
                                     + QString(unit).replace(QLatin1Char('\n'), QLatin1Char(' ')),
                                 WorkbookCell::ofNumber(RecordsModel::shownValue(*comparison.settings.minimum, decimals),
                                                        decimals)});
    table.facts.more.append({say(QT_TRANSLATE_NOOP("ComparisonTable", "Longest interval (years)")),
                             WorkbookCell::ofNumber(RecordsModel::shownValue(comparison.settings.intervalYears, 2), 2)});
    return table;
}
