#include "session/ComparisonTable.h"

#include "records/RecordsModel.h"
#include "store/SurveyStore.h"

#include <QDateTime>

#include <cmath>

namespace {

WorkbookCell numberCell(double value, int decimals)
{
    if (!std::isfinite(value))
        return WorkbookCell();
    return WorkbookCell::ofNumber(RecordsModel::shownValue(value, decimals), decimals);
}

} // namespace

QVector<ComparedSurvey> loadSurveys(SurveyStore &store, const QList<qint64> &ids, int layer, BilingualText *error)
{
    auto refuse = [error](const QString &english, const QString &chinese) {
        if (error)
            *error = {english, chinese};
        return QVector<ComparedSurvey>();
    };
    if (error)
        *error = BilingualText();
    const QVector<SurveySummary> history = store.history();
    QVector<ComparedSurvey> out;
    int layout = 0;
    for (qint64 id : ids) {
        const SurveySummary *summary = nullptr;
        for (const SurveySummary &s : history)
            if (s.id == id)
                summary = &s;
        if (!summary)
            return refuse(QStringLiteral("There is no survey %1 in the survey file.").arg(id),
                          QStringLiteral("测量记录文件中没有记录组 %1。").arg(id));
        // Named as the history lists it: the id the tool takes, the date and gauge the window shows.
        const QString started = QDateTime::fromMSecsSinceEpoch(summary->startedMs).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        const QString englishName = QStringLiteral("%1 (%2, gauge %3)").arg(id).arg(started, summary->info.serial);
        const QString chineseName = QStringLiteral("%1（%2，仪器 %3）").arg(id).arg(started, summary->info.serial);
        StoredTable stored;
        if (!store.loadSession(id, stored))
            return refuse(QStringLiteral("Survey %1 could not be read: the survey file may be damaged.").arg(englishName),
                          QStringLiteral("无法读取记录组 %1：测量记录文件可能已损坏。").arg(chineseName));
        // A session whose rows were all deleted has no stored columns to read either.
        const SurveyInfo &info = stored.records.isEmpty() ? summary->info : stored.info;
        if (info.layout != 1 && info.layout != 2)
            return refuse(QStringLiteral("Survey %1 has no table layout that can be compared.").arg(englishName),
                          QStringLiteral("记录组 %1 的表格布局无法比较。").arg(chineseName));
        if (layout && info.layout != layout)
            return refuse(QStringLiteral("Survey %1 is in the %2 layout, the others in the %3 layout: they cannot be "
                                         "compared.")
                              .arg(englishName)
                              .arg(info.layout == 1 ? QStringLiteral("single-layer") : QStringLiteral("multi-layer"),
                                   layout == 1 ? QStringLiteral("single-layer") : QStringLiteral("multi-layer")),
                          QStringLiteral("记录组 %1 为%2布局，其他记录组为%3布局：无法比较。")
                              .arg(chineseName)
                              .arg(info.layout == 1 ? QStringLiteral("单层") : QStringLiteral("多层"),
                                   layout == 1 ? QStringLiteral("单层") : QStringLiteral("多层")));
        layout = info.layout;
        if (layout == 2 && (layer < 0 || layer > 2))
            return refuse(QStringLiteral("There is no layer %1: the multi-layer layout has layers 1 to 3.").arg(layer + 1),
                          QStringLiteral("没有第 %1 层：多层布局只有第 1 至 3 层。").arg(layer + 1));
        // Single layer: values[0] is the thickness; its column comes first in unitNames and
        // decimals, which list the value columns in table order. Multi layer: layer i is both.
        const int value = layout == 1 ? 0 : layer;
        if (info.unitNames.size() <= value || info.decimals.size() <= value)
            return refuse(QStringLiteral("The columns of survey %1 cannot be read from the survey file.").arg(englishName),
                          QStringLiteral("无法从测量记录文件读取记录组 %1 的列。").arg(chineseName));

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

WorkbookTable comparisonTable(const SurveyComparison &comparison, bool chinese)
{
    auto t = [chinese](const char *english, const char *chineseText) {
        return QString::fromUtf8(chinese ? chineseText : english);
    };
    WorkbookTable table;
    if (comparison.surveys.isEmpty())
        return table;
    const ComparedSurvey &newest = comparison.surveys.last();
    const int decimals = newest.decimals >= 0 ? newest.decimals : 2;
    const QString unit = RecordsModel::unitSuffix(comparison.unit);
    const QString rateUnit = comparison.unit.isEmpty() ? QString() : RecordsModel::unitSuffix(comparison.unit + t("/y", "/年"));

    table.headers << t("Location", "位置");
    for (const ComparedSurvey &s : comparison.surveys)
        table.headers << t("Thickness", "厚度") + QLatin1Char('\n') + comparisonDate(s.dateMs) + unit;
    table.headers << t("Wall loss", "壁厚损失") + unit << t("Long-term rate", "长期腐蚀速率") + rateUnit
                  << t("Short-term rate", "短期腐蚀速率") + rateUnit << t("Governing rate", "控制腐蚀速率") + rateUnit
                  << t("Remaining life\n(years)", "剩余寿命\n(年)") << t("Next inspection", "下次检测日期")
                  << t("Note", "备注");

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
            row << WorkbookCell::ofText(t("no wear", "无减薄"));
        else
            row << numberCell(c.remainingYears, 1);
        row << (c.nextInspectionMs ? WorkbookCell::ofText(comparisonDate(c.nextInspectionMs)) : WorkbookCell());
        row << (c.note.isEmpty() ? WorkbookCell() : WorkbookCell::ofText(c.note.in(chinese)));
        table.rows.append(row);
        // The comparison window's colours: under the minimum red, less life than the interval amber.
        table.rowBands << (c.underMinimum        ? std::optional<Band>(Band::Red)
                           : c.dueWithinInterval ? std::optional<Band>(Band::Amber)
                                                 : std::nullopt);
    }
    table.dateColumns = QVector<bool>(table.headers.size(), false);
    table.dateColumns[table.headers.size() - 2] = true; // the next inspection
    table.facts.serial = comparison.gauges.isEmpty() ? newest.serial : comparison.gauges.join(QStringLiteral(", "));
    table.facts.date = comparisonDate(newest.dateMs);
    if (comparison.settings.minimum)
        table.facts.more.append({t("Minimum thickness", "最小厚度") + QString(unit).replace(QLatin1Char('\n'), QLatin1Char(' ')),
                                 WorkbookCell::ofNumber(RecordsModel::shownValue(*comparison.settings.minimum, decimals),
                                                        decimals)});
    table.facts.more.append({t("Longest interval (years)", "最长检测间隔（年）"),
                             WorkbookCell::ofNumber(RecordsModel::shownValue(comparison.settings.intervalYears, 2), 2)});
    return table;
}
