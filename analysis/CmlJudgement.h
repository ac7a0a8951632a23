#pragma once

#include "analysis/Finding.h"

#include <QByteArray>
#include <QVector>

#include <limits>

// One measurement location judged over its readings: which readings can be trusted, how fast
// the wall thins (long-term, short-term and fitted over all readings with its confidence),
// how long it lasts and when it must be measured again. Pure arithmetic on plain data; the
// session gathers a CML's readings into a CmlSeries.

// Which rate governs remaining life; chosen per asset.
enum class RateRule : quint8 {
    LongShortMax = 0,    // the larger of long-term and short-term (the default)
    LongTerm = 1,
    ShortTerm = 2,
    Regression = 3,      // the least-squares rate
    RegressionUpper = 4, // the upper bound of its 95 % confidence interval
    Largest = 5,         // the largest of long-term, short-term and the regression's
};

// The longest time between thickness inspections; chosen per asset.
enum class IntervalRule : quint8 {
    Api570Class1 = 0, // API 570 Table 6: class 1 piping, 5 years
    Api570Class2 = 1, // class 2, 10 years
    Api570Class3 = 2, // class 3, 10 years
    Api510 = 3,       // API 510 para. 6.5.1.1: 10 years
    Years = 4,        // a number of years of the user's
};

struct JudgementPolicy
{
    RateRule rate = RateRule::LongShortMax;
    IntervalRule interval = IntervalRule::Api570Class1;
    double years = 5.0; // read for IntervalRule::Years (> 0)

    bool operator==(const JudgementPolicy &o) const { return rate == o.rate && interval == o.interval && years == o.years; }
};

// The interval a policy allows, in years.
double maximumIntervalYears(const JudgementPolicy &policy);

// What the quality check says of a reading.
enum class ReadingMark : quint8 {
    None = 0,
    Verify = 1,   // thicker than the previous counted reading by up to 10 %
    Excluded = 2, // thicker by more than 10 %: left out of rates until accepted
    Outlier = 3,  // further from the fitted line than 3 residual standard deviations
};

// What the user decided of a reading, overriding its mark (logged with who and when).
enum class MarkDecision : quint8 {
    None = 0,    // the mark stands: Excluded readings left out, the others counted
    Include = 1, // counted whatever its mark
    Exclude = 2, // left out whatever its mark
};

struct SeriesReading
{
    qint64 key = 0;    // the store's row key
    qint64 dateMs = 0; // when it was taken (UTC ms)
    double thickness = std::numeric_limits<double>::quiet_NaN(); // in the series' unit; NaN: none (out of range)
    MarkDecision decision = MarkDecision::None;
};

// A CML's readings, oldest first (equal dates keep their order), and its required thickness.
struct CmlSeries
{
    QVector<SeriesReading> readings;
    double required = std::numeric_limits<double>::quiet_NaN(); // NaN: not known
};

// The least-squares line of thickness against time: t(τ) = intercept + slope·(τ − meanYears),
// τ in years since the epoch (365.2425-day years). Valid when n >= 3 and the dates differ.
struct ThicknessFit
{
    int n = 0;
    double meanYears = 0;
    double intercept = std::numeric_limits<double>::quiet_NaN(); // the fitted thickness at meanYears
    double slope = std::numeric_limits<double>::quiet_NaN();     // thickness per year (negative: thinning)
    double sxx = 0;            // Σ(τ − τ̄)²
    double residualSd = std::numeric_limits<double>::quiet_NaN(); // √(SSE / (n − 2))
    double t975 = std::numeric_limits<double>::quiet_NaN();       // Student's t, 0.975 quantile, n − 2 degrees of freedom

    bool valid() const { return n >= 3 && sxx > 0; }
    double at(qint64 ms) const; // the fitted thickness at a date
    // Half-widths at a date (95 %): of the fitted mean (the confidence band), and of one new
    // reading (the prediction band).
    double confidenceHalfWidth(qint64 ms) const;
    double predictionHalfWidth(qint64 ms) const;
};

// Student's t distribution: the 0.975 quantile for `dof` >= 1 degrees of freedom (NaN below 1).
double studentT975(int dof);
// Years between two dates (365.2425-day years) and its inverse.
double yearsBetween(qint64 fromMs, qint64 toMs);
qint64 addYears(qint64 ms, double years);

struct CmlFigures
{
    enum class Governs : quint8 { Nothing = 0, LongTerm, ShortTerm, Regression, RegressionUpper };

    // Parallel to the series' readings.
    QVector<ReadingMark> marks;
    QVector<bool> counted; // used in the rates: has a thickness, and not left out

    int countedReadings = 0;
    // Indexes into the readings (-1: none): the first, the previous and the newest counted.
    int initial = -1;
    int previous = -1;
    int actual = -1;

    // Thickness per year; thinning is positive. NaN when there is none (see notes). A rate that
    // came out negative is shown as 0 and named in `negativeRates`.
    double longTerm = std::numeric_limits<double>::quiet_NaN();
    double shortTerm = std::numeric_limits<double>::quiet_NaN();
    double regression = std::numeric_limits<double>::quiet_NaN();
    // The regression rate's 95 % confidence interval, as computed (may be below 0).
    double regressionLow = std::numeric_limits<double>::quiet_NaN();
    double regressionHigh = std::numeric_limits<double>::quiet_NaN();
    ThicknessFit fit;
    quint8 negativeRates = 0; // bits: 1 long-term, 2 short-term, 4 regression

    double governing = std::numeric_limits<double>::quiet_NaN();
    Governs governs = Governs::Nothing;

    // Years from the newest counted reading to the required thickness: +inf at a zero rate,
    // 0 at or under it; NaN without a required thickness or a rate.
    double remainingYears = std::numeric_limits<double>::quiet_NaN();
    // The newest counted reading's date + min(remaining life / 2, the policy's interval);
    // that date itself when under the minimum (dueNow). 0 when unknown (no reading).
    qint64 nextMs = 0;
    bool dueNow = false;
    bool underMinimum = false;
    bool lessLifeThanInterval = false; // remaining life shorter than the interval
    qint64 projectedMs = 0;            // when the governing rate reaches the required thickness; 0: never or unknown
    Findings notes; // why a figure is missing, which rate governs and why, marks found

    int markedReadings() const; // readings with a mark the user has not decided
};

// Judges a series under a policy. Deterministic: same series, same figures.
CmlFigures judgeCml(const CmlSeries &series, const JudgementPolicy &policy);
