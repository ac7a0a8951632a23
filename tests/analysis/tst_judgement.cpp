// A CML judged over time: the required thickness of each design formula worked by hand with
// its units converted, the fitted rate and its interval against Python's statistics module,
// the quality marks and the six-month rule at their boundaries, the interval rules, and the
// trend drawing's hit testing.
#include "analysis/AnalysisWords.h"
#include "analysis/CmlJudgement.h"
#include "analysis/ProbeVerdict.h"
#include "analysis/RequiredThickness.h"
#include "analysis/TrendPlot.h"

#include <QDateTime>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QtTest>

#include <cmath>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double MsPerYear = 365.2425 * 86400000.0;
const qint64 Start = QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();

qint64 at(double years)
{
    return Start + std::llround(years * MsPerYear);
}

CmlSeries series(const QVector<QPair<double, double>> &yearsAndThickness, double required = NaN)
{
    CmlSeries s;
    s.required = required;
    for (const auto &r : yearsAndThickness) {
        SeriesReading reading;
        reading.key = s.readings.size() + 1;
        reading.dateMs = at(r.first);
        reading.thickness = r.second;
        s.readings.append(reading);
    }
    return s;
}

bool near(double actual, double expected, double tolerance = 1e-9)
{
    return std::fabs(actual - expected) <= tolerance;
}

bool nearDate(qint64 actual, qint64 from, double years)
{
    return std::llabs(actual - (from + std::llround(years * MsPerYear))) <= 1;
}

bool has(const Findings &notes, Finding::Code code, QVariantList *args = nullptr)
{
    for (const Finding &f : notes)
        if (f.code == code) {
            if (args)
                *args = f.args;
            return true;
        }
    return false;
}

} // namespace

class JudgementTest : public QObject
{
    Q_OBJECT

private slots:
    void pipeB31_3();
    void shellUG27();
    void tankApi653();
    void regressionAndRates();
    void marksAtTheirBoundaries();
    void outliersBeyondThreeDeviations();
    void shortTermSixMonths();
    void negativeRateAndZeroRate();
    void findingsSaid();
    void trendHitTest();
    void probeVerdictsAgainstThePrediction();
};

void JudgementTest::pipeB31_3()
{
    // t = P·D / (2·(S·E·W + P·Y)) = 2·168.3 / (2·(138·1·1 + 2·0.4)) = 336.6 / 277.6
    //   = 1.2125360230547550 mm; t_m = t + c = 1.2125360 + 1.5 = 2.7125360 mm.
    DesignInputs in;
    in.formula = DesignFormula::PipeB31_3;
    in.pressure = 2;
    in.diameter = 168.3;
    in.stress = 138;
    in.joint = 1;
    in.coefficientY = 0.4;
    in.allowance = 1.5;
    ThicknessRequirement mm = requiredThickness(in, 2.0, QStringLiteral("mm"));
    QVERIFY(mm.refusal.isEmpty());
    QVERIFY(near(mm.pressureThickness, 1.212536023054755, 1e-12));
    QVERIFY(near(mm.pressureRequired, 2.712536023054755, 1e-12));
    QVERIFY(near(mm.required, 2.712536023054755, 1e-12));
    QCOMPARE(mm.governs, ThicknessRequirement::Governs::Pressure);
    // A structural minimum above it governs instead.
    ThicknessRequirement structural = requiredThickness(in, 3.0, QStringLiteral("mm"));
    QCOMPARE(structural.required, 3.0);
    QCOMPARE(structural.governs, ThicknessRequirement::Governs::Structural);

    // The same pipe in psi and inch (P = 2 / 0.006894757 psi, S likewise, D = 168.3 / 25.4 in,
    // c = 1.5 / 25.4 in), its result in inch: 2.7125360 / 25.4 = 0.10679276 in.
    DesignInputs us = in;
    us.pressureUnit = PressureUnit::Psi;
    us.lengthUnit = LengthUnit::Inch;
    us.pressure = 2 / 6.894757293168361e-3;
    us.stress = 138 / 6.894757293168361e-3;
    us.diameter = 168.3 / 25.4;
    us.allowance = 1.5 / 25.4;
    ThicknessRequirement inch = requiredThickness(us, NaN, QStringLiteral("inch"));
    QVERIFY(inch.refusal.isEmpty());
    QVERIFY(near(inch.pressureThickness, 1.212536023054755 / 25.4, 1e-12));
    QVERIFY(near(inch.required, 2.712536023054755 / 25.4, 1e-12));

    // Y from Table 304.1.1 for ferritic steel at 975.2 °F = 524 °C, halfway between 510 °C
    // (0.5) and 538 °C (0.7): Y = 0.6, t = 336.6 / (2·(138 + 1.2)) = 1.2090517241 mm.
    DesignInputs hot = in;
    hot.coefficientY = NaN;
    hot.temperature = 975.2;
    hot.temperatureUnit = TemperatureUnit::Fahrenheit;
    ThicknessRequirement y = requiredThickness(hot, NaN, QStringLiteral("mm"));
    QVERIFY(near(y.coefficientY, 0.6, 1e-9));
    QVERIFY(near(y.pressureThickness, 1.2090517241379313, 1e-9));
    QVariantList args;
    QVERIFY(has(y.notes, Finding::CoefficientFromTable, &args));
    QVERIFY(near(args.value(1).toDouble(), 524, 1e-9));
    hot.material = MaterialGroup::CastIron;
    QCOMPARE(requiredThickness(hot, NaN, QStringLiteral("mm")).coefficientY, 0.0);

    // Outside its validity. W = 0.8, P = 45: P/(S·E) = 0.326 passes, but
    // t = 45·168.3 / (2·(138·0.8 + 45·0.4)) = 29.4918 mm >= D/6 = 28.05 mm.
    DesignInputs thick = in;
    thick.pressure = 45;
    thick.weld = 0.8;
    ThicknessRequirement refused = requiredThickness(thick, 3.0, QStringLiteral("mm"));
    QCOMPARE(refused.refusal.code, Finding::DesignThickWall);
    QVERIFY(near(refused.refusal.args.value(0).toDouble(), 29.491822429906545, 1e-9));
    QVERIFY(std::isnan(refused.pressureRequired));
    QCOMPARE(refused.required, 3.0); // the structural minimum alone
    thick.pressure = 60; // P/(S·E) = 0.4348 > 0.385
    QCOMPARE(requiredThickness(thick, NaN, QStringLiteral("mm")).refusal.code, Finding::DesignHighPressure);
    DesignInputs bad = in;
    bad.pressure = -1;
    QCOMPARE(requiredThickness(bad, NaN, QStringLiteral("mm")).refusal.args.value(0).toString(), QStringLiteral("P"));
    bad = in;
    bad.joint = 1.2;
    QCOMPARE(requiredThickness(bad, NaN, QStringLiteral("mm")).refusal.code, Finding::DesignOutOfRange);
    bad = in;
    bad.stress = NaN;
    const ThicknessRequirement missing = requiredThickness(bad, NaN, QStringLiteral("mm"));
    QCOMPARE(missing.refusal.code, Finding::DesignMissing);
    QVERIFY(std::isnan(missing.required));
    QCOMPARE(requiredThickness(in, NaN, QStringLiteral("µs")).refusal.code, Finding::DesignUnitUnknown);
}

void JudgementTest::shellUG27()
{
    // P = 15 bar = 1.5 MPa, R = 0.75 m = 750 mm, S = 1380 bar = 138 MPa, c = 0.003 m = 3 mm.
    // Circumferential (E = 1): t = 1.5·750 / (138·1 − 0.6·1.5) = 1125 / 137.1 = 8.2056893 mm.
    // Longitudinal (E = 0.45 at the circumferential joint):
    //   t = 1125 / (2·138·0.45 + 0.4·1.5) = 1125 / 124.8 = 9.0144231 mm, the larger: it governs.
    DesignInputs in;
    in.formula = DesignFormula::ShellUG27;
    in.pressureUnit = PressureUnit::Bar;
    in.lengthUnit = LengthUnit::Metre;
    in.pressure = 15;
    in.radius = 0.75;
    in.stress = 1380;
    in.joint = 1;
    in.jointCircumferential = 0.45;
    in.allowance = 0.003;
    const ThicknessRequirement r = requiredThickness(in, NaN, QStringLiteral("mm"));
    QVERIFY(r.refusal.isEmpty());
    QVERIFY(near(r.circumferential, 8.205689277899344, 1e-9));
    QVERIFY(near(r.longitudinal, 9.014423076923077, 1e-9));
    QVERIFY(near(r.pressureThickness, 9.014423076923077, 1e-9));
    QVERIFY(near(r.required, 12.014423076923077, 1e-9));

    // P above 0.385·S·E: refused, not computed into a negative denominator.
    in.pressure = 600; // 60 MPa / 138 = 0.435
    const ThicknessRequirement high = requiredThickness(in, NaN, QStringLiteral("mm"));
    QCOMPARE(high.refusal.code, Finding::DesignHighPressure);
    QVERIFY(near(high.refusal.args.value(0).toDouble(), 60.0 / 138, 1e-12));
}

void JudgementTest::tankApi653()
{
    // D = 30.48 m = 100 ft, H = 12.192 m = 40 ft, G = 0.9, S = 179.2636896 MPa = 26,000 psi, E = 1:
    // t_min = 2.6·(40 − 1)·100·0.9 / (26000·1) = 0.351 in = 8.9154 mm (above the 0.100 in floor).
    DesignInputs in;
    in.formula = DesignFormula::TankApi653;
    in.lengthUnit = LengthUnit::Metre;
    in.diameter = 30.48;
    in.height = 12.192;
    in.gravity = 0.9;
    in.stress = 26000 * 6.894757293168361e-3;
    in.joint = 1;
    const ThicknessRequirement above = requiredThickness(in, NaN, QStringLiteral("mm"));
    QVERIFY(above.refusal.isEmpty());
    QVERIFY(near(above.required, 8.9154, 1e-9));
    QVERIFY(!has(above.notes, Finding::TankFloorApplied));

    // An upper course: H = 1.5 ft, D = 20 ft, G = 1, S = 26,000 psi, E = 0.85:
    // t_min = 2.6·0.5·20 / 22100 = 0.0011765 in, under the floor: 0.100 in governs.
    in.lengthUnit = LengthUnit::Foot;
    in.pressureUnit = PressureUnit::Psi;
    in.height = 1.5;
    in.diameter = 20;
    in.gravity = 1;
    in.stress = 26000;
    in.joint = 0.85;
    const ThicknessRequirement floor = requiredThickness(in, NaN, QStringLiteral("inch"));
    QVERIFY(near(floor.pressureThickness, 0.001176470588235294, 1e-12));
    QVERIFY(near(floor.required, 0.100, 1e-12));
    QVERIFY(has(floor.notes, Finding::TankFloorApplied));

    in.gravity = 0;
    QCOMPARE(requiredThickness(in, NaN, QStringLiteral("inch")).refusal.code, Finding::DesignOutOfRange);
}

void JudgementTest::regressionAndRates()
{
    // τ = 0, 1, 2.5, 4, 6 years; t = 10.00, 9.81, 9.62, 9.30, 9.05 mm. Python:
    //   statistics.linear_regression(τ, t).slope = -0.15991228070175428
    //   s = √(SSE/3) = 0.03777046712888921, Sxx = 22.8, t975(3) = 3.182446
    //   half = t975·s/√Sxx = 0.025173640013406082 -> rate 0.1347386 .. 0.1850859
    //   95 % band of the mean at τ = 6: t975·s·√(1/5 + (6 − 2.7)²/22.8) = 0.09894873794573858
    // Long-term (10 − 9.05)/6 = 0.1583333, short-term (9.30 − 9.05)/2 = 0.125.
    const CmlSeries s = series({{0, 10.00}, {1, 9.81}, {2.5, 9.62}, {4, 9.30}, {6, 9.05}}, 8.0);
    JudgementPolicy policy; // the larger of long-term and short-term, API 570 class 1 (5 years)
    const CmlFigures f = judgeCml(s, policy);
    QCOMPARE(f.countedReadings, 5);
    QVERIFY(f.fit.valid());
    QVERIFY(near(f.regression, 0.15991228070175428));
    QVERIFY(near(f.fit.residualSd, 0.03777046712888921));
    QVERIFY(near(f.regressionLow, 0.1347386406883482));
    QVERIFY(near(f.regressionHigh, 0.18508592071516036));
    QVERIFY(near(f.fit.at(at(2.7)), 9.556, 1e-9));
    QVERIFY(near(f.fit.confidenceHalfWidth(at(6)), 0.09894873794573858, 1e-9));
    QVERIFY(near(f.longTerm, 0.95 / 6));
    QVERIFY(near(f.shortTerm, 0.125));
    QCOMPARE(f.governs, CmlFigures::Governs::LongTerm);
    QVERIFY(near(f.governing, 0.95 / 6));
    QVariantList args;
    QVERIFY(has(f.notes, Finding::RateGoverns, &args));
    QCOMPARE(args.value(0).toInt(), int(CmlFigures::Governs::LongTerm));
    // Life (9.05 − 8)/0.1583333 = 6.6315789 years; next in half of it (under the 5-year cap).
    QVERIFY(near(f.remainingYears, 1.05 / (0.95 / 6)));
    QVERIFY(nearDate(f.nextMs, at(6), 1.05 / (0.95 / 6) / 2));
    QVERIFY(nearDate(f.projectedMs, at(6), 1.05 / (0.95 / 6)));
    QVERIFY(!f.lessLifeThanInterval);

    // The faster end of the interval governs: life 1.05 / 0.18508592 = 5.6730409 years.
    policy.rate = RateRule::RegressionUpper;
    const CmlFigures upper = judgeCml(s, policy);
    QCOMPARE(upper.governs, CmlFigures::Governs::RegressionUpper);
    QVERIFY(near(upper.remainingYears, 5.6730409095563115, 1e-9));

    // Required 7: life 2.05/0.1583333 = 12.947 years, half of it 6.47 — capped at class 1's 5
    // years; API 510 allows 10, so half the life stands.
    CmlSeries far = s;
    far.required = 7.0;
    policy.rate = RateRule::LongShortMax;
    QVERIFY(nearDate(judgeCml(far, policy).nextMs, at(6), 5.0));
    policy.interval = IntervalRule::Api510;
    QVERIFY(nearDate(judgeCml(far, policy).nextMs, at(6), 2.05 / (0.95 / 6) / 2));
    policy.interval = IntervalRule::Years;
    policy.years = 2.5;
    QVERIFY(nearDate(judgeCml(far, policy).nextMs, at(6), 2.5));

    // At the minimum: due now, whatever the rate.
    CmlSeries under = s;
    under.required = 9.05;
    const CmlFigures due = judgeCml(under, JudgementPolicy());
    QVERIFY(due.underMinimum && due.dueNow);
    QCOMPARE(due.remainingYears, 0.0);
    QCOMPARE(due.nextMs, at(6));

    // Student's t at 0.975 (tables): 1, 2, 10 and many degrees of freedom.
    QVERIFY(near(studentT975(1), 12.706204736, 1e-6));
    QVERIFY(near(studentT975(2), 4.302652730, 1e-6));
    QVERIFY(near(studentT975(10), 2.228138852, 1e-6));
    QVERIFY(near(studentT975(30), 2.042272456, 1e-6));
    QVERIFY(near(studentT975(5000), 1.960438, 1e-6));
    QVERIFY(std::isnan(studentT975(0)));
}

void JudgementTest::marksAtTheirBoundaries()
{
    // A 10.00; B 11.00: +10 % exactly -> Verify, counted. C 12.11: +10.09 % on B -> Excluded.
    // D 12.10: +10 % on B (the previous *counted*, not C) -> Verify. E 9.00 decided Exclude: left
    // out, unmarked. F 13.50: +11.6 % on D -> Excluded, but decided Include: counted. G: no value.
    CmlSeries s = series({{0, 10.00}, {1, 11.00}, {2, 12.11}, {3, 12.10}, {4, 9.00}, {5, 13.50}, {6, NaN}});
    s.readings[4].decision = MarkDecision::Exclude;
    s.readings[5].decision = MarkDecision::Include;
    const CmlFigures f = judgeCml(s, JudgementPolicy());
    const QVector<ReadingMark> marks = {ReadingMark::None,     ReadingMark::Verify, ReadingMark::Excluded,
                                        ReadingMark::Verify,   ReadingMark::None,   ReadingMark::Excluded,
                                        ReadingMark::None};
    QCOMPARE(f.marks, marks);
    QCOMPARE(f.counted, (QVector<bool>{true, true, false, true, false, true, false}));
    QCOMPARE(f.countedReadings, 4);
    QCOMPARE(f.initial, 0);
    QCOMPARE(f.previous, 3);
    QCOMPARE(f.actual, 5);
    QCOMPARE(f.markedReadings(), 3); // B, C, D: F's mark is decided
    QVariantList args;
    QVERIFY(has(f.notes, Finding::ReadingsLeftOut, &args));
    QCOMPARE(args.value(0).toInt(), 2);
}

void JudgementTest::outliersBeyondThreeDeviations()
{
    // Yearly readings 10 − 0.1·k with one reading 0.6 mm too thick in the middle. Python
    // (statistics.linear_regression, s = √(SSE/(n−2))): its residual is 2.8604 s with 11
    // readings and 3.0248 s with 12, every other residual under 0.34 s.
    for (int n : {11, 12}) {
        QVector<QPair<double, double>> readings;
        for (int k = 0; k < n; ++k)
            readings.append({double(k), std::round((10 - 0.1 * k + (k == n / 2 ? 0.6 : 0)) * 100) / 100});
        const CmlFigures f = judgeCml(series(readings), JudgementPolicy());
        for (int k = 0; k < n; ++k) {
            // +5 % on the previous reading: Verify, unless it is off the line by more than 3 s.
            const ReadingMark expected =
                k != n / 2 ? ReadingMark::None : n == 12 ? ReadingMark::Outlier : ReadingMark::Verify;
            QCOMPARE(f.marks[k], expected);
            QVERIFY(f.counted[k]);
        }
    }
}

void JudgementTest::shortTermSixMonths()
{
    // Half a year exactly between the last two counted readings gives a short-term rate;
    // a day less gives none, and the long-term one governs.
    const CmlFigures half = judgeCml(series({{0, 10.0}, {2, 9.6}, {2.5, 9.4}}, 5.0), JudgementPolicy());
    QVERIFY(near(half.shortTerm, 0.4, 1e-9));
    QCOMPARE(half.governs, CmlFigures::Governs::ShortTerm);
    const double less = 2.5 - 1.0 / 365.2425;
    const CmlFigures close = judgeCml(series({{0, 10.0}, {2, 9.6}, {less, 9.4}}, 5.0), JudgementPolicy());
    QVERIFY(std::isnan(close.shortTerm));
    QVERIFY(has(close.notes, Finding::ShortTermTooClose));
    QCOMPARE(close.governs, CmlFigures::Governs::LongTerm);
    QVERIFY(near(close.governing, 0.6 / less, 1e-9));
    // Two readings: no fit, said so.
    QVERIFY(has(judgeCml(series({{0, 10.0}, {2, 9.6}}), JudgementPolicy()).notes, Finding::NoRegressionFewReadings));
    // One reading: no rate at all, so none governs and none is named.
    const CmlFigures one = judgeCml(series({{0, 10.0}}, 5.0), JudgementPolicy());
    QCOMPARE(one.governs, CmlFigures::Governs::Nothing);
    QVERIFY(!has(one.notes, Finding::RateGoverns));
    QVERIFY(std::isnan(one.remainingYears));
}

void JudgementTest::negativeRateAndZeroRate()
{
    // 10.0, 9.8, 9.9 (+1 %: Verify, counted). Long-term (10 − 9.9)/2 = 0.05; short-term
    // (9.8 − 9.9)/1 = −0.1 -> 0 with bit 2; fitted slope −0.05 -> rate 0.05.
    const CmlFigures f = judgeCml(series({{0, 10.0}, {1, 9.8}, {2, 9.9}}, 9.0), JudgementPolicy());
    QCOMPARE(f.shortTerm, 0.0);
    QCOMPARE(int(f.negativeRates), 2);
    QVariantList args;
    QVERIFY(has(f.notes, Finding::RatesNegative, &args));
    QCOMPARE(args.value(0).toInt(), 2);
    QVERIFY(near(f.longTerm, 0.05, 1e-9));
    QVERIFY(near(f.regression, 0.05, 1e-9));

    // No thinning at all: endless life, the interval's date, no projected date.
    const CmlFigures flat = judgeCml(series({{0, 9.5}, {1, 9.5}, {3, 9.5}}, 9.0), JudgementPolicy());
    QCOMPARE(flat.governing, 0.0);
    QVERIFY(std::isinf(flat.remainingYears));
    QVERIFY(nearDate(flat.nextMs, at(3), 5.0));
    QCOMPARE(flat.projectedMs, qint64(0));
}

void JudgementTest::findingsSaid()
{
    // Every code of the design and the judgement has words, with its figures put in.
    const QVector<Finding> findings = {
        {Finding::DesignMissing, {"S"}},
        {Finding::DesignNegative, {"P"}},
        {Finding::DesignOutOfRange, {"E", 0.0, 1.0}},
        {Finding::DesignOutOfRange, {"D", 0.0, std::numeric_limits<double>::infinity()}},
        {Finding::DesignThickWall, {29.49, 28.05, "mm"}},
        {Finding::DesignHighPressure, {0.43, 0.385}},
        {Finding::DesignThickShell, {3.1, 3.0, "inch"}},
        {Finding::DesignUnitUnknown, {"µs"}},
        {Finding::CoefficientFromTable, {0.6, 524.0}},
        {Finding::TankFloorApplied, {0.1, "inch"}},
        {Finding::NoCountedReadings, {}},
        {Finding::OneCountedReading, {}},
        {Finding::ShortTermTooClose, {0.3}},
        {Finding::NoRegressionFewReadings, {2}},
        {Finding::RatesNegative, {5}},
        {Finding::RateGoverns, {int(CmlFigures::Governs::Regression), int(RateRule::Regression)}},
        {Finding::NoRequiredThickness, {}},
        {Finding::ReadingsMarked, {3}},
        {Finding::ReadingsLeftOut, {2}},
        {Finding::ExtremeNotFinite, {}},
        {Finding::ExtremeTooFewBlocks, {5, 6}},
        {Finding::ExtremeBlockAreaNotPositive, {}},
        {Finding::ExtremeAreaNotLarger, {0.01, 0.005}},
        {Finding::ExtremeAllEqual, {}},
        {Finding::ExtremePoorFit, {0.87, 0.9}},
        {Finding::ExtremeNeedsPitch, {}},
    };
    const QRegularExpression placeholder(QStringLiteral("%\\d"));
    for (const Finding &f : findings) {
        const QString text = findingText(f, QStringLiteral("en"));
        QVERIFY2(!text.isEmpty() && !text.contains(placeholder), qPrintable(QString::number(f.code) + text));
    }
    // Both negative rates named: bits 1 and 4.
    const QString negative = findingText(findings[14], QStringLiteral("en"));
    QVERIFY(negative.contains(governsWords(CmlFigures::Governs::LongTerm, QStringLiteral("en"))));
    QVERIFY(negative.contains(governsWords(CmlFigures::Governs::Regression, QStringLiteral("en"))));
    QVERIFY(!negative.contains(governsWords(CmlFigures::Governs::ShortTerm, QStringLiteral("en"))));
}

void JudgementTest::trendHitTest()
{
    // Thinning readings with one left out (+20 %: Excluded); the required thickness under them.
    const CmlSeries s = series({{0, 10.0}, {1, 9.8}, {2, 11.9}, {3, 9.5}, {4, 9.3}, {5, 9.1}}, 8.0);
    const CmlFigures f = judgeCml(s, JudgementPolicy());
    QVERIFY(!f.counted[2]);
    TrendInput in;
    in.series = &s;
    in.figures = &f;
    in.unit = QStringLiteral("mm");
    in.title = QStringLiteral("CML-1");
    TrendPlot plot(in);
    QImage image(800, 500, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        plot.draw(painter, QRectF(0, 0, 800, 500));
    }
    for (int i = 0; i < s.readings.size(); ++i) {
        const QPointF p = plot.pointOf(i);
        QVERIFY(image.rect().contains(p.toPoint()));
        QCOMPARE(plot.hitTest(p + QPointF(3, -2)), i);
    }
    // Later readings further right; thinner ones lower.
    QVERIFY(plot.pointOf(1).x() > plot.pointOf(0).x());
    QVERIFY(plot.pointOf(1).y() > plot.pointOf(0).y());
    QCOMPARE(plot.hitTest(QPointF(5, 5)), -1);
    QCOMPARE(plot.hitTest(plot.pointOf(0) + QPointF(20, 0)), -1);
    // Counted readings drawn filled, the one left out hollow.
    const QColor counted = image.pixelColor(plot.pointOf(3).toPoint());
    const QColor leftOut = image.pixelColor(plot.pointOf(2).toPoint());
    QVERIFY2(counted.lightness() < 100, qPrintable(counted.name()));
    QCOMPARE(leftOut, QColor(Qt::white));
}


void JudgementTest::probeVerdictsAgainstThePrediction()
{
    // The series of regressionAndRates read again at τ = 8 years. By hand (Python):
    //   ŷ = 9.556 − 0.15991228070175428·(8 − 2.7) = 8.708464912280702
    //   prediction half-width t975(3)·s·√(1 + 1/5 + 5.3²/22.8) = 0.18745489804760193
    const CmlSeries s = series({{0, 10.00}, {1, 9.81}, {2.5, 9.62}, {4, 9.30}, {6, 9.05}}, 8.5);
    const CmlFigures f = judgeCml(s, JudgementPolicy());
    const ProbeExpectation e = expectAt(s, f, at(8), {0.01, 0.05});
    QVERIFY(e.fromFit);
    QVERIFY(near(e.expected, 8.708464912280702, 1e-9));
    QVERIFY(near(e.low, 8.5210100142331, 1e-9));
    QVERIFY(near(e.high, 8.895919810328303, 1e-9));
    QCOMPARE(e.lastCounted, 9.05);
    QCOMPARE(e.lastMs, at(6));
    // A user tolerance wider than the prediction widens the band; the resolution alone does not.
    QVERIFY(near(expectAt(s, f, at(8), {0.01, 0.3}).low, 8.708464912280702 - 0.3, 1e-9));

    // Each verdict at its boundary; under the minimum comes before below the band.
    QCOMPARE(judgeProbe(e, 8.55), ProbeVerdict::Ok);
    QCOMPARE(judgeProbe(e, 8.52), ProbeVerdict::UnexpectedLoss);
    QCOMPARE(judgeProbe(e, 8.49), ProbeVerdict::UnderMinimum);
    QCOMPARE(judgeProbe(e, 9.05 * 1.1), ProbeVerdict::Ok);      // 10 % thicker is still believed
    QCOMPARE(judgeProbe(e, 9.96), ProbeVerdict::ThickerThanBefore);
    QCOMPARE(judgeProbe(e, NaN), ProbeVerdict::NoValue);

    // Two counted readings: no line; the newest ± the wider of resolution and tolerance. An
    // excluded reading is not the one expected.
    CmlSeries two = series({{0, 10.0}, {1, 9.9}, {2, 12.0}});
    const CmlFigures ft = judgeCml(two, JudgementPolicy());
    const ProbeExpectation et = expectAt(two, ft, at(3), {0.01, 0.0});
    QVERIFY(!et.fromFit);
    QCOMPARE(et.expected, 9.9);
    QVERIFY(near(et.low, 9.89) && near(et.high, 9.91));
    QCOMPARE(judgeProbe(et, 9.85), ProbeVerdict::UnexpectedLoss);
    // No history: only the minimum can judge.
    const CmlSeries none = series({}, 5.0);
    const ProbeExpectation en = expectAt(none, judgeCml(none, JudgementPolicy()), at(3), {0.01, 0.1});
    QVERIFY(!en.hasHistory() && std::isnan(en.low));
    QCOMPARE(judgeProbe(en, 20.0), ProbeVerdict::Ok);
    QCOMPARE(judgeProbe(en, 4.0), ProbeVerdict::UnderMinimum);
    QCOMPARE(verdictWords(ProbeVerdict::ThickerThanBefore, QStringLiteral("en")), QStringLiteral("re-measure: thicker than before"));
}

QTEST_MAIN(JudgementTest)
#include "tst_judgement.moc"
