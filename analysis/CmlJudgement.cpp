#include "analysis/CmlJudgement.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Infinity = std::numeric_limits<double>::infinity();
constexpr double MsPerYear = 365.2425 * 86400000.0; // the Gregorian mean year
constexpr double MsPerDay = 86400000.0;
// No date is planned or projected further than this from the reading it counts from: a
// rate near zero gives a life of millions of years, which no date can hold.
constexpr double MaxYears = 10000.0;
constexpr double ShortTermMinYears = 0.5;
constexpr double VerifyFraction = 0.10;
constexpr double OutlierSds = 3.0;
constexpr double Pi = 3.14159265358979323846;

// ---- Student's t ----

// ln Γ via the standard library; the continued fraction of the regularized incomplete beta
// I_x(a, b) (modified Lentz), accurate to about 1e-15.
double betaContinuedFraction(double a, double b, double x)
{
    constexpr double Tiny = 1e-300;
    constexpr double Eps = 1e-16;
    const double qab = a + b, qap = a + 1, qam = a - 1;
    double c = 1, d = 1 - qab * x / qap;
    if (std::fabs(d) < Tiny)
        d = Tiny;
    d = 1 / d;
    double h = d;
    for (int m = 1; m <= 10000; ++m) {
        const int m2 = 2 * m;
        double aa = m * (b - m) * x / ((qam + m2) * (a + m2));
        d = 1 + aa * d;
        if (std::fabs(d) < Tiny)
            d = Tiny;
        c = 1 + aa / c;
        if (std::fabs(c) < Tiny)
            c = Tiny;
        d = 1 / d;
        h *= d * c;
        aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
        d = 1 + aa * d;
        if (std::fabs(d) < Tiny)
            d = Tiny;
        c = 1 + aa / c;
        if (std::fabs(c) < Tiny)
            c = Tiny;
        d = 1 / d;
        const double del = d * c;
        h *= del;
        if (std::fabs(del - 1) < Eps)
            break;
    }
    return h;
}

double incompleteBeta(double a, double b, double x)
{
    if (x <= 0)
        return 0;
    if (x >= 1)
        return 1;
    const double front =
        std::exp(std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) + b * std::log1p(-x));
    if (x < (a + 1) / (a + b + 2))
        return front * betaContinuedFraction(a, b, x) / a;
    return 1 - front * betaContinuedFraction(b, a, 1 - x) / b;
}

// P(T > t) for t >= 0, ν degrees of freedom.
double studentUpperTail(double t, double nu)
{
    return 0.5 * incompleteBeta(nu / 2, 0.5, nu / (nu + t * t));
}

double studentDensity(double t, double nu)
{
    const double logC = std::lgamma((nu + 1) / 2) - std::lgamma(nu / 2) - 0.5 * std::log(nu * Pi);
    return std::exp(logC - (nu + 1) / 2 * std::log1p(t * t / nu));
}

double computeT975(int dof)
{
    const double nu = dof;
    if (dof == 1)
        return std::tan(Pi * 0.475);
    if (dof == 2)
        return 0.95 * std::sqrt(2 / (1 - 0.95 * 0.95)); // exact: F(t) = 1/2 + t / (2·√(2 + t²))
    // Start from the Cornish-Fisher expansion about the normal quantile, then Newton on the tail.
    const double z = 1.959963984540054;
    const double z3 = z * z * z, z5 = z3 * z * z, z7 = z5 * z * z, z9 = z7 * z * z;
    double t = z + (z3 + z) / (4 * nu) + (5 * z5 + 16 * z3 + 3 * z) / (96 * nu * nu)
        + (3 * z7 + 19 * z5 + 17 * z3 - 15 * z) / (384 * nu * nu * nu)
        + (79 * z9 + 776 * z7 + 1482 * z5 - 1920 * z3 - 945 * z) / (92160 * nu * nu * nu * nu);
    for (int i = 0; i < 50; ++i) {
        const double step = (studentUpperTail(t, nu) - 0.025) / studentDensity(t, nu);
        t += step;
        if (std::fabs(step) < 1e-13 * t)
            break;
    }
    return t;
}

// The quantiles a fit of up to this many readings needs, computed once.
constexpr int TableDof = 1024;

const std::array<double, TableDof + 1> &t975Table()
{
    static const std::array<double, TableDof + 1> table = [] {
        std::array<double, TableDof + 1> out{};
        out[0] = NaN;
        for (int dof = 1; dof <= TableDof; ++dof)
            out[size_t(dof)] = computeT975(dof);
        return out;
    }();
    return table;
}

// ---- the judgement ----

double clampYears(double years)
{
    return std::clamp(years, -MaxYears, MaxYears);
}

// Thicker than `before` by up to 10 %: verify; by more: left out until accepted. The 10 %
// compared with a margin of a billionth so that a reading typed at exactly +10 % is at it,
// whatever binary rounding did to the product.
ReadingMark thickerMark(double before, double now)
{
    if (!(now > before))
        return ReadingMark::None;
    return now - before <= VerifyFraction * before * (1 + 1e-9) ? ReadingMark::Verify : ReadingMark::Excluded;
}

// A rate below zero (the wall "grew": scatter) is shown as zero and named by its bit.
double notNegative(double rate, quint8 bit, quint8 *bits)
{
    if (rate < 0) {
        *bits |= bit;
        return 0;
    }
    return rate;
}

struct Choice
{
    double rate = NaN;
    CmlFigures::Governs governs = CmlFigures::Governs::Nothing;
};

// The larger of two candidates; a missing one (NaN) gives way to the other.
Choice larger(Choice a, Choice b)
{
    if (std::isnan(a.rate) && std::isnan(b.rate))
        return Choice{};
    if (std::isnan(a.rate))
        return b;
    if (std::isnan(b.rate))
        return a;
    return b.rate > a.rate ? b : a;
}

// The governing rate by the rule; when the rule's rate is missing (too few readings for a fit,
// readings too close for a short-term rate), the larger of long-term and short-term.
Choice governing(const CmlFigures &f, RateRule rule)
{
    using G = CmlFigures::Governs;
    const Choice longTerm{f.longTerm, G::LongTerm};
    const Choice shortTerm{f.shortTerm, G::ShortTerm};
    const Choice fallback = larger(longTerm, shortTerm);
    Choice chosen;
    switch (rule) {
    case RateRule::LongShortMax:
        chosen = fallback;
        break;
    case RateRule::LongTerm:
        chosen = longTerm;
        break;
    case RateRule::ShortTerm:
        chosen = shortTerm;
        break;
    case RateRule::Regression:
        chosen = {f.regression, G::Regression};
        break;
    case RateRule::RegressionUpper:
        chosen = {std::isnan(f.regressionHigh) ? NaN : std::max(f.regressionHigh, 0.0), G::RegressionUpper};
        break;
    case RateRule::Largest:
        chosen = larger(fallback, {f.regression, G::Regression});
        break;
    }
    return std::isnan(chosen.rate) ? fallback : chosen;
}

} // namespace

double maximumIntervalYears(const JudgementPolicy &policy)
{
    switch (policy.interval) {
    case IntervalRule::Api570Class1:
        return 5;
    case IntervalRule::Api570Class2:
    case IntervalRule::Api570Class3:
    case IntervalRule::Api510:
        return 10;
    case IntervalRule::Years:
        break;
    }
    // A number of the user's: a planning horizon, never past what a date can hold. A number
    // that is not one (not above zero) is no interval at all: the reading is due again now.
    return policy.years > 0 ? std::min(policy.years, MaxYears) : 0.0;
}

double studentT975(int dof)
{
    if (dof < 1)
        return NaN;
    if (dof <= TableDof)
        return t975Table()[size_t(dof)];
    return computeT975(dof);
}

double yearsBetween(qint64 fromMs, qint64 toMs)
{
    return double(toMs - fromMs) / MsPerYear;
}

qint64 addYears(qint64 ms, double years)
{
    if (std::isnan(years))
        return ms;
    return ms + qint64(std::llround(clampYears(years) * MsPerYear));
}

double ThicknessFit::at(qint64 ms) const
{
    return intercept + slope * (double(ms) / MsPerYear - meanYears);
}

double ThicknessFit::confidenceHalfWidth(qint64 ms) const
{
    if (!valid())
        return NaN;
    const double dx = double(ms) / MsPerYear - meanYears;
    return t975 * residualSd * std::sqrt(1.0 / n + dx * dx / sxx);
}

double ThicknessFit::predictionHalfWidth(qint64 ms) const
{
    if (!valid())
        return NaN;
    const double dx = double(ms) / MsPerYear - meanYears;
    return t975 * residualSd * std::sqrt(1 + 1.0 / n + dx * dx / sxx);
}

int CmlFigures::markedReadings() const
{
    for (const Finding &f : notes)
        if (f.code == Finding::ReadingsMarked)
            return f.args.value(0).toInt();
    return 0;
}

CmlFigures judgeCml(const CmlSeries &series, const JudgementPolicy &policy)
{
    using G = CmlFigures::Governs;
    CmlFigures f;
    const int size = int(series.readings.size());
    const SeriesReading *r = series.readings.constData();
    f.marks.resize(size);
    f.counted.resize(size);
    ReadingMark *marks = f.marks.data();
    bool *counted = f.counted.data();

    // Marks, oldest first, each against the newest reading counted before it.
    int undecided = 0;
    int leftOut = 0;
    int last = -1;
    for (int i = 0; i < size; ++i) {
        const double t = r[i].thickness;
        marks[i] = ReadingMark::None;
        counted[i] = false;
        if (std::isnan(t))
            continue;
        if (last >= 0)
            marks[i] = thickerMark(r[last].thickness, t);
        const MarkDecision decision = r[i].decision;
        counted[i] = decision == MarkDecision::Include
            || (decision == MarkDecision::None && marks[i] != ReadingMark::Excluded);
        if (!counted[i]) {
            ++leftOut;
            continue;
        }
        if (f.initial < 0)
            f.initial = i;
        f.previous = last;
        last = i;
        ++f.countedReadings;
    }
    f.actual = last;
    const int n = f.countedReadings;

    if (n == 0)
        f.notes.append(Finding{Finding::NoCountedReadings, {}});
    else if (n == 1)
        f.notes.append(Finding{Finding::OneCountedReading, {}});

    if (n >= 2) {
        const SeriesReading &initial = r[f.initial];
        const SeriesReading &previous = r[f.previous];
        const SeriesReading &actual = r[f.actual];
        // Readings hours apart would turn their scatter into years of corrosion.
        if (actual.dateMs - initial.dateMs >= qint64(MsPerDay))
            f.longTerm = (initial.thickness - actual.thickness) / yearsBetween(initial.dateMs, actual.dateMs);
        else
            f.notes.append(Finding{Finding::SameDayReadings, {}});
        const double shortYears = yearsBetween(previous.dateMs, actual.dateMs);
        if (shortYears >= ShortTermMinYears)
            f.shortTerm = (previous.thickness - actual.thickness) / shortYears;
        else
            f.notes.append(Finding{Finding::ShortTermTooClose, {shortYears}});
    }

    // Least squares over the counted readings, dates in years from the first of them (small
    // numbers, no cancellation), two passes.
    if (n >= 3) {
        const qint64 origin = r[f.initial].dateMs;
        double sumX = 0, sumT = 0;
        for (int i = f.initial; i <= f.actual; ++i) {
            if (!counted[i])
                continue;
            sumX += double(r[i].dateMs - origin) / MsPerYear;
            sumT += r[i].thickness;
        }
        const double meanX = sumX / n, meanT = sumT / n;
        double sxx = 0, sxy = 0;
        for (int i = f.initial; i <= f.actual; ++i) {
            if (!counted[i])
                continue;
            const double dx = double(r[i].dateMs - origin) / MsPerYear - meanX;
            sxx += dx * dx;
            sxy += dx * (r[i].thickness - meanT);
        }
        if (sxx > 0) {
            ThicknessFit &fit = f.fit;
            fit.n = n;
            fit.meanYears = double(origin) / MsPerYear + meanX;
            fit.intercept = meanT;
            fit.slope = sxy / sxx;
            fit.sxx = sxx;
            double sse = 0;
            for (int i = f.initial; i <= f.actual; ++i) {
                if (!counted[i])
                    continue;
                const double e = r[i].thickness - meanT - fit.slope * (double(r[i].dateMs - origin) / MsPerYear - meanX);
                sse += e * e;
            }
            fit.residualSd = std::sqrt(sse / (n - 2));
            fit.t975 = studentT975(n - 2);
            const double rate = -fit.slope;
            const double half = fit.t975 * fit.residualSd / std::sqrt(sxx);
            f.regression = rate;
            f.regressionLow = rate - half;
            f.regressionHigh = rate + half;
            // Far off the line: marked, still counted until the user leaves it out. A line
            // through every point (a residual of rounding only) marks nothing.
            const double limit = OutlierSds * fit.residualSd;
            if (fit.residualSd > 1e-12 * std::fabs(meanT)) {
                for (int i = f.initial; i <= f.actual; ++i) {
                    if (!counted[i] || marks[i] == ReadingMark::Excluded)
                        continue;
                    const double e =
                        r[i].thickness - meanT - fit.slope * (double(r[i].dateMs - origin) / MsPerYear - meanX);
                    if (std::fabs(e) > limit)
                        marks[i] = ReadingMark::Outlier;
                }
            }
        }
    }
    if (n >= 2 && !f.fit.valid())
        f.notes.append(Finding{Finding::NoRegressionFewReadings, {n}});

    f.longTerm = notNegative(f.longTerm, 1, &f.negativeRates);
    f.shortTerm = notNegative(f.shortTerm, 2, &f.negativeRates);
    f.regression = notNegative(f.regression, 4, &f.negativeRates);
    if (f.negativeRates)
        f.notes.append(Finding{Finding::RatesNegative, {int(f.negativeRates)}});

    const Choice chosen = governing(f, policy.rate);
    f.governing = chosen.rate;
    f.governs = chosen.governs;
    if (chosen.governs != G::Nothing)
        f.notes.append(Finding{Finding::RateGoverns, {int(chosen.governs), int(policy.rate)}});

    if (f.actual >= 0) {
        const SeriesReading &actual = r[f.actual];
        const double interval = maximumIntervalYears(policy);
        if (std::isnan(series.required)) {
            f.notes.append(Finding{Finding::NoRequiredThickness, {}});
        } else if (actual.thickness <= series.required) {
            f.underMinimum = true;
            f.dueNow = true;
            f.remainingYears = 0;
            f.notes.append(Finding{Finding::UnderMinimum, {}});
        } else if (f.governing == 0) {
            f.remainingYears = Infinity;
        } else if (!std::isnan(f.governing)) {
            f.remainingYears = (actual.thickness - series.required) / f.governing;
        }
        // Without a life to halve, the longest interval the policy allows.
        const double wait = f.dueNow ? 0.0 : std::isnan(f.remainingYears) ? interval : std::min(f.remainingYears / 2, interval);
        f.nextMs = addYears(actual.dateMs, wait);
        f.lessLifeThanInterval = f.remainingYears < interval;
        if (f.lessLifeThanInterval && !f.underMinimum)
            f.notes.append(Finding{Finding::LessLifeThanInterval, {}});
        if (std::isfinite(f.remainingYears))
            f.projectedMs = addYears(actual.dateMs, f.remainingYears);
    }

    for (int i = 0; i < size; ++i)
        if (marks[i] != ReadingMark::None && r[i].decision == MarkDecision::None)
            ++undecided;
    if (undecided > 0)
        f.notes.append(Finding{Finding::ReadingsMarked, {undecided}});
    if (leftOut > 0)
        f.notes.append(Finding{Finding::ReadingsLeftOut, {leftOut}});
    return f;
}
