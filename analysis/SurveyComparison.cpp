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
        out.error = {Finding::TooFewSurveys, {}};
        return out;
    }
    if (!(settings.intervalYears > 0) || !std::isfinite(settings.intervalYears)) {
        out.error = {Finding::IntervalNotPositive, {}};
        return out;
    }
    if (settings.minimum
        && (!std::isfinite(*settings.minimum) || *settings.minimum < 0 || *settings.minimum > MaxThickness)) {
        out.error = {Finding::MinimumOutOfRange, {MaxThickness}};
        return out;
    }
    if (settings.intervalYears > MaxPlanYears) {
        out.settings.intervalYears = MaxPlanYears;
        out.notes.append(Finding{Finding::IntervalCapped, {MaxPlanYears}});
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
        QVariantList datesPerGauge;
        for (const QString &gauge : out.gauges) {
            QVariantList dates;
            for (const ComparedSurvey &s : surveys)
                if (s.serial == gauge)
                    dates << s.dateMs;
            datesPerGauge.append(QVariant(dates));
        }
        out.notes.append(Finding{Finding::SeveralGauges, {out.gauges, QVariant(datesPerGauge)}});
    }
    for (const ComparedSurvey &s : surveys)
        if (s.unplaced > 0)
            out.notes.append(Finding{Finding::UnplacedReadings, {s.unplaced, s.dateMs}});

    // Every survey in the newest one's unit.
    for (ComparedSurvey &s : surveys) {
        if (s.unit == out.unit)
            continue;
        if (!converted(1.0, s.unit, out.unit)) {
            out.error = {Finding::SurveyUnitsDiffer, {s.dateMs, s.unit, newest.dateMs, out.unit}};
            return out;
        }
        for (double &t : s.thickness)
            t = *converted(t, s.unit, out.unit);
        out.notes.append(Finding{Finding::SurveyConverted, {s.dateMs, s.unit, out.unit}});
        s.unit = out.unit;
        // Shown as precisely as the newest survey's readings, not with the other unit's digits.
        s.decimals = newest.decimals;
    }
    out.settings.unit = out.unit;
    if (settings.minimum && !settings.unit.isEmpty() && settings.unit != out.unit) {
        const std::optional<double> minimum = converted(*settings.minimum, settings.unit, out.unit);
        if (!minimum) {
            out.error = {Finding::MinimumUnitDiffers, {settings.unit, out.unit}};
            return out;
        }
        out.settings.minimum = *minimum;
    }

    for (int i = 1; i < n; ++i) {
        if (sameDay(surveys[i - 1].dateMs, surveys[i].dateMs))
            out.notes.append(Finding{Finding::SameDaySurveys, {surveys[i - 1].dateMs, surveys[i].dateMs}});
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
                    c.note.append(Finding{Finding::DuplicateLocation, {s.dateMs}});
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
            c.note.append(Finding{Finding::NoReadingAnywhere, {}});
        } else if (read.size() < 2) {
            c.note.append(Finding{Finding::ReadInFewSurveys, {int(read.size())}});
        } else if (absent) {
            c.note.append(Finding{Finding::NotReadInSome, {int(n - read.size())}});
        }
        if (read.isEmpty())
            continue;

        const int last = read.last();
        const qint64 lastMs = surveys[last].dateMs;
        const double latest = c.thickness[last];
        if (last != n - 1)
            c.note.append(Finding{Finding::NotReadInNewest, {lastMs}});

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
                c.note.append(Finding{Finding::SameDayReadings, {}});
            }
            // With three readings or more, the previous one gives the recent rate; with two it
            // would only repeat the long-term one.
            if (read.size() >= 3) {
                const int previous = read[read.size() - 2];
                if (!sameDay(surveys[previous].dateMs, lastMs))
                    c.shortTermRate = rate(previous, &thickened);
                else if (std::isfinite(c.longTermRate))
                    c.note.append(Finding{Finding::SameDayLastReadings, {}});
            } else {
                c.shortTermRate = c.longTermRate;
            }
        }
        c.thickened = thickened;
        if (thickened)
            c.note.append(Finding{Finding::Thickened, {}});
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
            c.note.append(Finding{Finding::UnderMinimum, {}});
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
            c.note.append(Finding{Finding::LessLifeThanInterval, {}});
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
