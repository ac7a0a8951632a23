#include "analysis/SurveyComparison.h"

#include <QDateTime>
#include <QHash>

#include <algorithm>
#include <cmath>

namespace {

constexpr double MsPerDay = 86400000.0;
constexpr double DaysPerYear = 365.25;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Infinity = std::numeric_limits<double>::infinity();

// Surveys less than a day apart give no rate: the scatter of two readings over hours would
// read as years of corrosion.
bool sameDay(qint64 earlierMs, qint64 laterMs)
{
    return laterMs - earlierMs < qint64(MsPerDay);
}

double yearsBetween(qint64 earlierMs, qint64 laterMs)
{
    return double(laterMs - earlierMs) / MsPerDay / DaysPerYear;
}

qint64 plusYears(qint64 ms, double years)
{
    // Never past the planning horizon, whatever interval or rate led here: no date wraps.
    return ms + qint64(std::llround(std::clamp(years, 0.0, MaxPlanYears) * DaysPerYear * MsPerDay));
}

// A thickness in another unit, by the same conversion the limits use (mm and inch).
std::optional<double> converted(double value, const QString &from, const QString &to)
{
    Limits l;
    l.nominal = value;
    l.unit = from;
    const std::optional<Limits> out = l.inUnit(to);
    if (!out)
        return std::nullopt;
    return out->nominal;
}

void addNote(BilingualText &note, const QString &english, const QString &chinese)
{
    if (!note.english.isEmpty())
        note.english += QLatin1Char(' ');
    note.english += english;
    note.chinese += chinese;
}

// Record numbers in their numeric order ("2" before "10"), names after them, alphabetically.
bool locationBefore(const QString &a, const QString &b)
{
    bool aNumber = false;
    bool bNumber = false;
    const qlonglong an = a.toLongLong(&aNumber);
    const qlonglong bn = b.toLongLong(&bNumber);
    if (aNumber && bNumber && an != bn)
        return an < bn;
    if (aNumber != bNumber)
        return aNumber;
    return a < b;
}

// Shortest remaining life first; infinite life after every finite one; unknown last.
int lifeRank(double years)
{
    return std::isnan(years) ? 2 : std::isinf(years) ? 1 : 0;
}

} // namespace

QString comparisonDate(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd"));
}

QStringList surveyGauges(const QVector<ComparedSurvey> &surveys)
{
    QStringList gauges;
    for (const ComparedSurvey &s : surveys)
        if (!gauges.contains(s.serial))
            gauges << s.serial;
    return gauges;
}

SurveyComparison compareSurveys(QVector<ComparedSurvey> surveys, const ComparisonSettings &settings)
{
    SurveyComparison out;
    out.settings = settings;
    if (surveys.size() < 2) {
        out.error = {QStringLiteral("Choose at least two surveys to compare."),
                     QStringLiteral("请至少选择两次测量进行比较。")};
        return out;
    }
    if (!(settings.intervalYears > 0) || !std::isfinite(settings.intervalYears)) {
        out.error = {QStringLiteral("The longest inspection interval must be a number of years above zero."),
                     QStringLiteral("最长检测间隔必须是大于零的年数。")};
        return out;
    }
    if (settings.minimum
        && (!std::isfinite(*settings.minimum) || *settings.minimum < 0 || *settings.minimum > MaxThickness)) {
        out.error = {QStringLiteral("The minimum thickness must be a number from 0 to %1.").arg(readableNumber(MaxThickness)),
                     QStringLiteral("最小厚度必须是 0 到 %1 之间的数字。").arg(readableNumber(MaxThickness))};
        return out;
    }
    if (settings.intervalYears > MaxPlanYears) {
        out.settings.intervalYears = MaxPlanYears;
        out.notes.append({QStringLiteral("The longest interval is taken as %1 years: no inspection is planned further ahead.")
                              .arg(readableNumber(MaxPlanYears)),
                          QStringLiteral("最长检测间隔按 %1 年计：不安排更远的检测。").arg(readableNumber(MaxPlanYears))});
    }
    const double intervalYears = out.settings.intervalYears;

    std::stable_sort(surveys.begin(), surveys.end(), [](const ComparedSurvey &a, const ComparedSurvey &b) {
        return a.dateMs != b.dateMs ? a.dateMs < b.dateMs : a.id < b.id;
    });
    const int n = int(surveys.size());
    const ComparedSurvey &newest = surveys.last();
    out.unit = newest.unit;
    out.gauges = surveyGauges(surveys);
    if (out.gauges.size() > 1) {
        QStringList english, chinese;
        for (const QString &gauge : out.gauges) {
            QStringList dates;
            for (const ComparedSurvey &s : surveys)
                if (s.serial == gauge)
                    dates << comparisonDate(s.dateMs);
            english << QStringLiteral("gauge %1 (%2)").arg(gauge, dates.join(QStringLiteral(", ")));
            chinese << QStringLiteral("仪器 %1（%2）").arg(gauge, dates.join(QStringLiteral("，")));
        }
        out.notes.append({QStringLiteral("The surveys come from %1 gauges: %2. A difference between gauges reads as "
                                         "wear.")
                              .arg(out.gauges.size())
                              .arg(english.join(QStringLiteral("; "))),
                          QStringLiteral("这些测量来自 %1 台仪器：%2。仪器之间的差异会被当作减薄。")
                              .arg(out.gauges.size())
                              .arg(chinese.join(QStringLiteral("；")))});
    }
    for (const ComparedSurvey &s : surveys)
        if (s.unplaced > 0)
            out.notes.append({QStringLiteral("%1 measurements the gauge sent by itself in the survey of %2 have no "
                                             "record number (no place in its memory) and are not compared.")
                                  .arg(s.unplaced)
                                  .arg(comparisonDate(s.dateMs)),
                              QStringLiteral("%2 的测量中有 %1 个由仪器主动发送的读数没有记录编号（不在仪器存储中），"
                                             "未参与比较。")
                                  .arg(s.unplaced)
                                  .arg(comparisonDate(s.dateMs))});

    // Every survey in the newest one's unit.
    for (ComparedSurvey &s : surveys) {
        if (s.unit == out.unit)
            continue;
        if (!converted(1.0, s.unit, out.unit)) {
            out.error = {QStringLiteral("The survey of %1 is in %2 and the one of %3 in %4: these units cannot be compared.")
                             .arg(comparisonDate(s.dateMs), s.unit, comparisonDate(newest.dateMs), out.unit),
                         QStringLiteral("%1 的测量单位为 %2，%3 的测量单位为 %4：这两种单位无法比较。")
                             .arg(comparisonDate(s.dateMs), s.unit, comparisonDate(newest.dateMs), out.unit)};
            return out;
        }
        for (double &t : s.thickness)
            t = *converted(t, s.unit, out.unit);
        out.notes.append({QStringLiteral("The survey of %1 was converted from %2 to %3.").arg(comparisonDate(s.dateMs), s.unit, out.unit),
                          QStringLiteral("%1 的测量已从 %2 换算为 %3。").arg(comparisonDate(s.dateMs), s.unit, out.unit)});
        s.unit = out.unit;
        // Shown as precisely as the newest survey's readings, not with the other unit's digits.
        s.decimals = newest.decimals;
    }
    out.settings.unit = out.unit;
    if (settings.minimum && !settings.unit.isEmpty() && settings.unit != out.unit) {
        const std::optional<double> minimum = converted(*settings.minimum, settings.unit, out.unit);
        if (!minimum) {
            out.error = {QStringLiteral("The minimum thickness is in %1, the surveys in %2: these units cannot be compared.")
                             .arg(settings.unit, out.unit),
                         QStringLiteral("最小厚度的单位为 %1，测量单位为 %2：这两种单位无法比较。").arg(settings.unit, out.unit)};
            return out;
        }
        out.settings.minimum = *minimum;
    }

    for (int i = 1; i < n; ++i) {
        if (sameDay(surveys[i - 1].dateMs, surveys[i].dateMs))
            out.notes.append({QStringLiteral("The surveys of %1 and %2 were taken less than a day apart: no rate is "
                                             "computed between them.")
                                  .arg(comparisonDate(surveys[i - 1].dateMs), comparisonDate(surveys[i].dateMs)),
                              QStringLiteral("%1 与 %2 的测量相隔不到一天：两者之间不计算腐蚀速率。")
                                  .arg(comparisonDate(surveys[i - 1].dateMs), comparisonDate(surveys[i].dateMs))});
    }

    // The locations, in the order they first appear; per survey, the first reading of each.
    QStringList order;
    QHash<QString, int> rowOf;
    for (int si = 0; si < n; ++si) {
        const ComparedSurvey &s = surveys[si];
        const int readings = int(std::min(s.locations.size(), s.thickness.size()));
        QHash<QString, int> seen;
        for (int r = 0; r < readings; ++r) {
            const QString &location = s.locations[r];
            auto row = rowOf.find(location);
            if (row == rowOf.end()) {
                row = rowOf.insert(location, int(out.rows.size()));
                LocationComparison c;
                c.location = location;
                c.thickness.fill(NaN, n);
                out.rows.append(c);
            }
            LocationComparison &c = out.rows[*row];
            if (seen.contains(location)) {
                if (!c.duplicate)
                    addNote(c.note,
                            QStringLiteral("Occurs more than once in the survey of %1; its first reading is used.")
                                .arg(comparisonDate(s.dateMs)),
                            QStringLiteral("在 %1 的测量中出现多次；采用第一次读数。").arg(comparisonDate(s.dateMs)));
                c.duplicate = true;
                continue;
            }
            seen.insert(location, r);
            c.thickness[si] = s.thickness[r];
        }
    }

    const std::optional<double> minimum = out.settings.minimum;
    for (LocationComparison &c : out.rows) {
        // Surveys that read this location.
        QVector<int> read;
        for (int si = 0; si < n; ++si)
            if (std::isfinite(c.thickness[si]))
                read.append(si);
        bool absent = false;
        for (int si = 0; si < n; ++si)
            absent = absent || std::isnan(c.thickness[si]);
        c.missing = absent;
        if (read.isEmpty()) {
            addNote(c.note, QStringLiteral("No reading in any survey."), QStringLiteral("所有测量中均无读数。"));
        } else if (read.size() < 2) {
            addNote(c.note, QStringLiteral("Read in %1 of the surveys only: no rate.").arg(read.size()),
                    QStringLiteral("仅在 %1 次测量中有读数：无腐蚀速率。").arg(read.size()));
        } else if (absent) {
            addNote(c.note, QStringLiteral("No reading in %1 of the surveys.").arg(n - read.size()),
                    QStringLiteral("%1 次测量中无读数。").arg(n - read.size()));
        }
        if (read.isEmpty())
            continue;

        const int last = read.last();
        const qint64 lastMs = surveys[last].dateMs;
        const double latest = c.thickness[last];
        if (last != n - 1)
            addNote(c.note,
                    QStringLiteral("Not read in the newest survey: remaining life and next date count from %1.")
                        .arg(comparisonDate(lastMs)),
                    QStringLiteral("最新一次测量中无读数：剩余寿命和下次检测日期从 %1 起算。").arg(comparisonDate(lastMs)));

        auto rate = [&](int from, bool *thickened) {
            const double r = (c.thickness[from] - latest) / yearsBetween(surveys[from].dateMs, lastMs);
            if (r < 0) {
                *thickened = true;
                return 0.0;
            }
            return r;
        };
        bool thickened = false;
        if (read.size() >= 2) {
            const int first = read.first();
            if (!sameDay(surveys[first].dateMs, lastMs)) {
                c.wallLoss = c.thickness[first] - latest;
                c.longTermRate = rate(first, &thickened);
            } else {
                addNote(c.note, QStringLiteral("Its readings were taken less than a day apart: no rate."),
                        QStringLiteral("各次读数相隔不到一天：无腐蚀速率。"));
            }
            // With three readings or more, the previous one gives the recent rate; with two it
            // would only repeat the long-term one.
            if (read.size() >= 3) {
                const int previous = read[read.size() - 2];
                if (!sameDay(surveys[previous].dateMs, lastMs))
                    c.shortTermRate = rate(previous, &thickened);
                else if (std::isfinite(c.longTermRate))
                    addNote(c.note,
                            QStringLiteral("The last two readings were taken less than a day apart: no short-term rate."),
                            QStringLiteral("最后两次读数相隔不到一天：无短期腐蚀速率。"));
            } else {
                c.shortTermRate = c.longTermRate;
            }
        }
        c.thickened = thickened;
        if (thickened)
            addNote(c.note, QStringLiteral("Thicker than before (measurement scatter?): that rate is shown as zero."),
                    QStringLiteral("比之前更厚（测量误差？）：该腐蚀速率按零显示。"));
        if (std::isfinite(c.longTermRate) || std::isfinite(c.shortTermRate))
            c.governingRate = std::fmax(c.longTermRate, c.shortTermRate); // fmax ignores a NaN

        if (!minimum)
            continue;
        // Under the minimum as the table shows the two numbers (whole display steps), as the
        // records table judges its cells; a reading shown at the minimum has no margin left.
        const int shownDecimals = surveys[last].decimals;
        const double scale = std::pow(10.0, std::clamp(shownDecimals, 0, 9));
        Limits floor;
        floor.nominal = floor.minimum = *minimum;
        const bool under = shownDecimals >= 0 ? floor.band(latest, shownDecimals) == Band::Red : latest < *minimum;
        const double margin =
            shownDecimals >= 0 ? double(displaySteps(latest, scale) - displaySteps(*minimum, scale)) / scale
                               : latest - *minimum;
        if (under) {
            c.underMinimum = true;
            c.remainingYears = 0;
            c.nextInspectionMs = lastMs; // due now
            addNote(c.note, QStringLiteral("Under the minimum thickness."), QStringLiteral("低于最小厚度。"));
        } else if (std::isnan(c.governingRate)) {
            continue;
        } else if (c.governingRate == 0) {
            c.remainingYears = Infinity;
            c.nextInspectionMs = plusYears(lastMs, intervalYears);
        } else {
            c.remainingYears = margin / c.governingRate;
            c.nextInspectionMs = plusYears(lastMs, std::min(c.remainingYears / 2, intervalYears));
        }
        c.dueWithinInterval = c.remainingYears < intervalYears;
        if (c.dueWithinInterval && !c.underMinimum)
            addNote(c.note, QStringLiteral("Less life left than the longest interval."),
                    QStringLiteral("剩余寿命短于最长检测间隔。"));
    }

    std::stable_sort(out.rows.begin(), out.rows.end(), [](const LocationComparison &a, const LocationComparison &b) {
        const int ra = lifeRank(a.remainingYears);
        const int rb = lifeRank(b.remainingYears);
        if (ra != rb)
            return ra < rb;
        if (ra == 0 && a.remainingYears != b.remainingYears)
            return a.remainingYears < b.remainingYears;
        return locationBefore(a.location, b.location);
    });
    out.surveys = std::move(surveys);
    return out;
}
