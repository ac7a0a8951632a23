// Repeat surveys compared: rates, remaining life and next dates checked against figures
// worked out by hand (in the comments), including the cases that must not divide by zero
// or lose a location.
#include "analysis/AnalysisWords.h"
#include "analysis/SurveyComparison.h"

#include <QDateTime>
#include <QtTest>

#include <cmath>

namespace {

constexpr qint64 Day = 86400000;
constexpr qint64 Hour = 3600000;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// 2020-01-01 00:00 UTC; 730.5 days later is exactly two years of 365.25 days.
const qint64 Start = QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();

ComparedSurvey survey(qint64 id, qint64 dateMs, const QString &unit, const QVector<QPair<QString, double>> &readings)
{
    ComparedSurvey s;
    s.id = id;
    s.serial = QStringLiteral("G-1");
    s.dateMs = dateMs;
    s.unit = unit;
    s.decimals = unit == QLatin1String("inch") ? 3 : 2;
    for (const auto &r : readings) {
        s.locations << r.first;
        s.thickness << r.second;
    }
    return s;
}

ComparisonSettings settings(std::optional<double> minimum, double interval, const QString &unit = QString())
{
    ComparisonSettings s;
    s.minimum = minimum;
    s.intervalYears = interval;
    s.unit = unit;
    return s;
}

const LocationComparison &row(const SurveyComparison &c, const QString &location)
{
    for (const LocationComparison &r : c.rows)
        if (r.location == location)
            return r;
    qFatal("no row %s", qPrintable(location));
}

QStringList order(const SurveyComparison &c)
{
    QStringList out;
    for (const LocationComparison &r : c.rows)
        out << r.location;
    return out;
}

bool near(double actual, double expected, double tolerance = 1e-9)
{
    return std::fabs(actual - expected) <= tolerance;
}

// A date `days` after `from`, to the millisecond the rounding of years may cost.
bool nearDate(qint64 actual, qint64 from, double days)
{
    return std::llabs(actual - (from + std::llround(days * Day))) <= 1;
}

// Said in both languages: the Chinese is in the catalogue, not the English again.
bool hasNote(const Findings &notes)
{
    const QString english = findingsText(notes, QStringLiteral("en"));
    return !english.isEmpty() && findingsText(notes, QStringLiteral("zh")) != english;
}

bool hasNote(const Finding &note)
{
    return hasNote(Findings{note});
}

QString english(const Finding &note)
{
    return findingText(note, QStringLiteral("en"));
}

} // namespace

class SurveyComparisonTest : public QObject
{
    Q_OBJECT

private slots:
    // Two surveys two years apart, minimum 8.00 mm, interval 5 years.
    void twoSurveysGiveRatesLifeAndNextDates()
    {
        const qint64 later = Start + qint64(730.5 * Day);
        // Given newest first: the comparison orders them by date itself.
        const SurveyComparison c = compareSurveys(
            {survey(2, later, QStringLiteral("mm"),
                    {{"A", 9.4}, {"B", 9.9}, {"C", 9.2}, {"D", 7.9}, {"F", 9.0}, {"B", 5.0}}),
             survey(1, Start, QStringLiteral("mm"), {{"A", 10.0}, {"B", 10.0}, {"C", 9.0}, {"D", 8.2}, {"E", 10.0}})},
            settings(8.0, 5.0));
        QVERIFY(c.error.isEmpty());
        QCOMPARE(c.unit, QStringLiteral("mm"));
        QCOMPARE(c.surveys.size(), 2);
        QCOMPARE(c.surveys.first().id, 1);

        // Under the minimum first (life 0), then by life; infinite life next; no life last.
        QCOMPARE(order(c), (QStringList{"D", "A", "B", "C", "E", "F"}));

        // A: 10.0 -> 9.4 over 2 y: loss 0.6, 0.3 mm/y both ways; life (9.4 - 8.0) / 0.3 = 4.667 y;
        // next after half of it, 2.333 y = 852.25 days; less life than the interval: due.
        const LocationComparison &a = row(c, "A");
        QVERIFY(near(a.wallLoss, 0.6));
        QVERIFY(near(a.longTermRate, 0.3));
        QVERIFY(near(a.shortTermRate, 0.3));
        QVERIFY(near(a.governingRate, 0.3));
        QVERIFY(near(a.remainingYears, 14.0 / 3.0));
        QVERIFY(nearDate(a.nextInspectionMs, later, 852.25));
        QVERIFY(a.dueWithinInterval);
        QVERIFY(!a.underMinimum && !a.thickened && !a.missing && !a.duplicate);

        // B: 10.0 -> 9.9 (its second reading of 5.0 in survey 2 is a duplicate, not used):
        // 0.05 mm/y, life 1.9 / 0.05 = 38 y; half of it (19 y) is capped at 5 y.
        const LocationComparison &b = row(c, "B");
        QVERIFY(b.duplicate);
        QVERIFY(hasNote(b.note));
        QCOMPARE(b.thickness[1], 9.9);
        QVERIFY(near(b.governingRate, 0.05));
        QVERIFY(near(b.remainingYears, 38.0, 1e-6));
        QVERIFY(nearDate(b.nextInspectionMs, later, 5 * 365.25));
        QVERIFY(!b.dueWithinInterval);

        // C: 9.0 -> 9.2 grew: rate shown as 0, infinite life, next after the whole interval.
        const LocationComparison &cc = row(c, "C");
        QVERIFY(cc.thickened);
        QCOMPARE(cc.longTermRate, 0.0);
        QCOMPARE(cc.governingRate, 0.0);
        QVERIFY(near(cc.wallLoss, -0.2));
        QVERIFY(std::isinf(cc.remainingYears) && cc.remainingYears > 0);
        QVERIFY(nearDate(cc.nextInspectionMs, later, 5 * 365.25));
        QVERIFY(!cc.dueWithinInterval);
        QVERIFY(hasNote(cc.note));

        // D: 8.2 -> 7.9, under 8.0: life 0, due at the newest survey's date itself.
        const LocationComparison &d = row(c, "D");
        QVERIFY(d.underMinimum);
        QCOMPARE(d.remainingYears, 0.0);
        QCOMPARE(d.nextInspectionMs, later);
        QVERIFY(d.dueWithinInterval);
        QVERIFY(near(d.governingRate, 0.15));

        // E and F were read once: kept and flagged, no rate and no life.
        for (const QString &name : {QStringLiteral("E"), QStringLiteral("F")}) {
            const LocationComparison &m = row(c, name);
            QVERIFY(m.missing);
            QVERIFY(hasNote(m.note));
            QVERIFY(std::isnan(m.longTermRate) && std::isnan(m.governingRate) && std::isnan(m.remainingYears));
            QCOMPARE(m.nextInspectionMs, 0);
        }
        QVERIFY(std::isnan(row(c, "E").thickness[1]));
        QCOMPARE(row(c, "F").thickness[1], 9.0);

        // Without a minimum: rates, but no life and no date.
        const SurveyComparison noMinimum = compareSurveys(c.surveys, settings(std::nullopt, 5.0));
        QVERIFY(near(row(noMinimum, "A").governingRate, 0.3));
        QVERIFY(std::isnan(row(noMinimum, "A").remainingYears));
        QCOMPARE(row(noMinimum, "A").nextInspectionMs, 0);
    }

    // Three surveys at 0, 2 and 3 years; minimum 8.0 mm, interval 5 years.
    void threeSurveysGovernedByTheLargerRate()
    {
        const qint64 second = Start + qint64(730.5 * Day);
        const qint64 third = Start + qint64(1095.75 * Day);
        const SurveyComparison c = compareSurveys(
            {survey(1, Start, QStringLiteral("mm"), {{"A", 10.0}, {"B", 10.0}, {"C", 10.0}, {"D", 10.0}, {"E", 10.0}}),
             survey(2, second, QStringLiteral("mm"), {{"A", 9.8}, {"B", 9.0}, {"C", 9.4}, {"E", 9.6}}),
             survey(3, third, QStringLiteral("mm"), {{"A", 9.3}, {"B", 8.9}, {"C", 9.5}, {"D", 9.7}})},
            settings(8.0, 5.0));
        QVERIFY(c.error.isEmpty());

        // A: long 0.7 / 3 = 0.2333, short 0.5 / 1 = 0.5 governs: life 1.3 / 0.5 = 2.6 y, next
        // after 1.3 y = 474.825 days.
        const LocationComparison &a = row(c, "A");
        QVERIFY(near(a.longTermRate, 0.7 / 3));
        QVERIFY(near(a.shortTermRate, 0.5));
        QVERIFY(near(a.governingRate, 0.5));
        QVERIFY(near(a.remainingYears, 2.6));
        QVERIFY(nearDate(a.nextInspectionMs, third, 474.825));

        // B: long 1.1 / 3 = 0.3667 governs over short 0.1: life 0.9 / 0.3667 = 2.4545 y.
        const LocationComparison &b = row(c, "B");
        QVERIFY(near(b.shortTermRate, 0.1));
        QVERIFY(near(b.governingRate, 1.1 / 3));
        QVERIFY(near(b.remainingYears, 0.9 / (1.1 / 3)));
        QVERIFY(near(b.wallLoss, 1.1));

        // C: grew 9.4 -> 9.5 in the last year: short rate 0 (marked), long 0.5 / 3 governs.
        const LocationComparison &cc = row(c, "C");
        QVERIFY(cc.thickened);
        QCOMPARE(cc.shortTermRate, 0.0);
        QVERIFY(near(cc.governingRate, 0.5 / 3));
        QVERIFY(near(cc.remainingYears, 1.5 / (0.5 / 3)));

        // D: not read in the middle survey: its previous reading is the first, 0.3 / 3 = 0.1.
        const LocationComparison &d = row(c, "D");
        QVERIFY(d.missing);
        QVERIFY(near(d.longTermRate, 0.1));
        QVERIFY(near(d.shortTermRate, 0.1));
        QVERIFY(near(d.remainingYears, 17.0));

        // E: not read in the newest survey: 0.4 / 2 = 0.2 mm/y up to its newest reading, life
        // 1.6 / 0.2 = 8 y from that reading's date, next 4 y (1461 days) after it, not after
        // the newest survey's date.
        const LocationComparison &e = row(c, "E");
        QVERIFY(e.missing);
        QVERIFY(hasNote(e.note));
        QVERIFY(near(e.governingRate, 0.2));
        QVERIFY(near(e.remainingYears, 8.0));
        QVERIFY(nearDate(e.nextInspectionMs, second, 1461));

        QCOMPARE(order(c), (QStringList{"B", "A", "E", "C", "D"}));
    }

    void sameDaySurveysGiveNoRate()
    {
        // Two surveys six hours apart: no rate, no life, a reason, and nothing infinite.
        const SurveyComparison two = compareSurveys(
            {survey(1, Start, QStringLiteral("mm"), {{"A", 10.0}}),
             survey(2, Start + 6 * Hour, QStringLiteral("mm"), {{"A", 9.0}})},
            settings(8.0, 5.0));
        QVERIFY(two.error.isEmpty());
        QCOMPARE(two.notes.size(), 1);
        QVERIFY(hasNote(two.notes.first()));
        const LocationComparison &a = two.rows.first();
        QVERIFY(std::isnan(a.wallLoss) && std::isnan(a.longTermRate) && std::isnan(a.shortTermRate)
                && std::isnan(a.governingRate) && std::isnan(a.remainingYears));
        QCOMPARE(a.nextInspectionMs, 0);
        QVERIFY(hasNote(a.note));
        QVERIFY(!a.dueWithinInterval);

        // Under the minimum needs no rate: due now even from same-day surveys.
        const SurveyComparison under = compareSurveys(
            {survey(1, Start, QStringLiteral("mm"), {{"A", 8.1}}),
             survey(2, Start + 6 * Hour, QStringLiteral("mm"), {{"A", 7.9}})},
            settings(8.0, 5.0));
        QVERIFY(under.rows.first().underMinimum);
        QCOMPARE(under.rows.first().remainingYears, 0.0);
        QCOMPARE(under.rows.first().nextInspectionMs, Start + 6 * Hour);

        // Three surveys, the last two two hours apart: 10.0 -> 9.4 over two years still gives
        // the long-term 0.3 mm/y; the short-term has none and says why; the long one governs.
        const qint64 newest = Start + qint64(730.5 * Day);
        const SurveyComparison three = compareSurveys(
            {survey(1, Start, QStringLiteral("mm"), {{"A", 10.0}}),
             survey(2, newest - 2 * Hour, QStringLiteral("mm"), {{"A", 9.5}}),
             survey(3, newest, QStringLiteral("mm"), {{"A", 9.4}})},
            settings(8.0, 5.0));
        QCOMPARE(three.notes.size(), 1);
        const LocationComparison &t = three.rows.first();
        QVERIFY(near(t.longTermRate, 0.3));
        QVERIFY(std::isnan(t.shortTermRate));
        QVERIFY(near(t.governingRate, 0.3));
        QVERIFY(near(t.remainingYears, 14.0 / 3.0));
        QVERIFY(hasNote(t.note));
    }

    // Bounded numbers: a huge interval or a tiny rate never plans past 100 years after the
    // newest reading (no date wraps round), and says so; absurd thicknesses are refused, and
    // numbers for messages read as numbers.
    void datesAndNumbersStayBounded()
    {
        const qint64 later = Start + qint64(730.5 * Day);
        const QVector<ComparedSurvey> surveys{
            survey(1, Start, QStringLiteral("mm"), {{"steady", 9.0}, {"slow", 9.01}}),
            survey(2, later, QStringLiteral("mm"), {{"steady", 9.0}, {"slow", 9.0}})};
        for (const double interval : {1e300, 1e9, 150.0}) {
            const SurveyComparison c = compareSurveys(surveys, settings(1.0, interval));
            QVERIFY(c.error.isEmpty());
            QCOMPARE(c.settings.intervalYears, MaxPlanYears);
            QVERIFY(!c.notes.isEmpty());
            for (const LocationComparison &r : c.rows) {
                QVERIFY2(r.nextInspectionMs > later, qPrintable(r.location));
                QVERIFY(nearDate(r.nextInspectionMs, later, 100 * 365.25));
                QVERIFY(QDateTime::fromMSecsSinceEpoch(r.nextInspectionMs).date().year() == 2122);
            }
        }
        // "slow": 0.005 mm/y over 8 mm is 1600 years of life; above, its next date stops at 100
        // years; with a 5-year interval it is 5 years.
        const SurveyComparison slow = compareSurveys(surveys, settings(1.0, 5.0));
        QVERIFY(nearDate(row(slow, "slow").nextInspectionMs, later, 5 * 365.25));

        const SurveyComparison absurd = compareSurveys(surveys, settings(1e308, 5.0));
        QVERIFY(hasNote(absurd.error));
        QVERIFY(!english(absurd.error).contains(QStringLiteral("e+")));
        QVERIFY(english(absurd.error).size() < 80);
        // The limits bar refuses the same, with a short message.
        const LimitsCheck check = checkLimits(LimitsInput{"5", "4", "1e308", ""}, QStringLiteral("mm"), QLocale::c());
        QVERIFY(!check.limits);
        QVERIFY(english(check.error).size() < 80);
        QCOMPARE(readableNumber(100.0), QStringLiteral("100"));
        QCOMPARE(readableNumber(0.25, 2), QStringLiteral("0.25"));
        QCOMPARE(readableNumber(1e-300, 2), QStringLiteral("0"));
    }

    void unitsConvertOrAreRefused()
    {
        const qint64 later = Start + qint64(730.5 * Day);
        // Old survey in inch, newest in mm: the comparison is in mm. 0.400 in = 10.16 mm ->
        // 9.66 mm: 0.25 mm/y. Minimum 0.300 in = 7.62 mm: life 2.04 / 0.25 = 8.16 y; next
        // after 4.08 y = 1490.22 days (the interval, 10 y, does not cap it).
        const SurveyComparison c = compareSurveys(
            {survey(1, Start, QStringLiteral("inch"), {{"A", 0.400}}),
             survey(2, later, QStringLiteral("mm"), {{"A", 9.66}})},
            settings(0.300, 10.0, QStringLiteral("inch")));
        QVERIFY(c.error.isEmpty());
        QCOMPARE(c.unit, QStringLiteral("mm"));
        QVERIFY(near(*c.settings.minimum, 7.62));
        QVERIFY(near(c.rows.first().thickness[0], 10.16));
        QVERIFY(near(c.rows.first().governingRate, 0.25));
        QVERIFY(near(c.rows.first().remainingYears, 8.16));
        QVERIFY(nearDate(c.rows.first().nextInspectionMs, later, 4.08 * 365.25));
        QVERIFY(!c.notes.isEmpty());

        // The other way round the comparison is in inch: 10.16 mm -> 0.4 in.
        const SurveyComparison inch = compareSurveys(
            {survey(1, Start, QStringLiteral("mm"), {{"A", 10.16}}),
             survey(2, later, QStringLiteral("inch"), {{"A", 0.380}})},
            settings(std::nullopt, 5.0));
        QCOMPARE(inch.unit, QStringLiteral("inch"));
        QVERIFY(near(inch.rows.first().thickness[0], 0.4));
        QVERIFY(near(inch.rows.first().governingRate, 0.01));

        // Units that do not convert, and too few surveys: refused with a reason, no rows.
        const SurveyComparison bad = compareSurveys(
            {survey(1, Start, QStringLiteral("mm"), {{"A", 10.0}}), survey(2, later, QStringLiteral("us"), {{"A", 9.0}})},
            settings(8.0, 5.0));
        QVERIFY(hasNote(bad.error));
        QVERIFY(bad.rows.isEmpty());
        const SurveyComparison one = compareSurveys({survey(1, Start, QStringLiteral("mm"), {{"A", 10.0}})}, settings(8.0, 5.0));
        QVERIFY(hasNote(one.error));
        QVERIFY(one.rows.isEmpty());
        const SurveyComparison badMinimum = compareSurveys(
            {survey(1, Start, QStringLiteral("mm"), {{"A", 10.0}}), survey(2, later, QStringLiteral("mm"), {{"A", 9.0}})},
            settings(8.0, 5.0, QStringLiteral("us")));
        QVERIFY(hasNote(badMinimum.error));
    }

    // Notes in words, as the window, the table and the tool show them: sentences run on with
    // a space in English and none in Chinese, lists with full-width marks in Chinese.
    void notesInBothLanguages()
    {
        const qint64 noon = Start + 12 * Hour;
        ComparedSurvey last = survey(3, noon + 800 * Day, QStringLiteral("mm"), {{"1", 9.6}});
        last.serial = QStringLiteral("G-2");
        const SurveyComparison c =
            compareSurveys({survey(1, noon, QStringLiteral("mm"), {{"1", 10.0}, {"2", 9.0}}),
                            survey(2, noon + 400 * Day, QStringLiteral("mm"), {{"1", 9.8}}), last},
                           settings(std::nullopt, 5.0));
        QVERIFY(c.error.isEmpty());
        QCOMPARE(c.notes.size(), 1);
        const auto said = [](const Findings &notes, const char *language) {
            return findingsText(notes, QString::fromLatin1(language));
        };
        QCOMPARE(said(c.notes, "en"), QStringLiteral("The surveys come from 2 gauges: gauge G-1 (2020-01-01, 2021-02-04); "
                                                     "gauge G-2 (2022-03-11). A difference between gauges reads as wear."));
        QCOMPARE(said(c.notes, "zh"), QStringLiteral("这些测量来自 2 台仪器：仪器 G-1（2020-01-01，2021-02-04）；"
                                                     "仪器 G-2（2022-03-11）。仪器之间的差异会被当作减薄。"));
        const Findings &two = row(c, "2").note;
        QCOMPARE(said(two, "en"), QStringLiteral("Read in 1 of the surveys only: no rate. Not read in the newest survey: "
                                                 "remaining life and next date count from 2020-01-01."));
        QCOMPARE(said(two, "zh"), QStringLiteral("仅在 1 次测量中有读数：无腐蚀速率。"
                                                 "最新一次测量中无读数：剩余寿命和下次检测日期从 2020-01-01 起算。"));
    }
};

QTEST_GUILESS_MAIN(SurveyComparisonTest)
#include "tst_survey_comparison.moc"
