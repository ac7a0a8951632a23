#include "analysis/ExtremeValue.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double Sqrt6 = 2.44948974278317809820;
// Euler–Mascheroni constant to the four places the method is stated with.
constexpr double Euler = 0.5772;
// Two-sided 95 % of the normal law.
constexpr double Z95 = 1.96;

Finding refused(Finding::Code code, QVariantList args = {})
{
    Finding f;
    f.code = code;
    f.args = std::move(args);
    return f;
}

// Pearson r of the maxima sorted ascending against the reduced variate of their plotting
// positions i/(n+1), −ln(−ln(i/(n+1))), i = 1…n: a straight Gumbel plot gives r near 1.
double gumbelPlotCorrelation(QVector<double> sorted)
{
    std::sort(sorted.begin(), sorted.end());
    const int n = sorted.size();
    QVector<double> y(n);
    double meanX = 0, meanY = 0;
    for (int i = 0; i < n; ++i) {
        y[i] = -std::log(-std::log(double(i + 1) / double(n + 1)));
        meanX += sorted[i];
        meanY += y[i];
    }
    meanX /= n;
    meanY /= n;
    double sxy = 0, sxx = 0, syy = 0;
    for (int i = 0; i < n; ++i) {
        const double dx = sorted[i] - meanX;
        const double dy = y[i] - meanY;
        sxy += dx * dy;
        sxx += dx * dx;
        syy += dy * dy;
    }
    return sxy / std::sqrt(sxx * syy);
}

} // namespace

ExtremeEstimate estimateExtremeLoss(const QVector<double> &maxima, double blockArea, double totalArea)
{
    ExtremeEstimate e;
    e.blocks = maxima.size();
    e.blockArea = blockArea;
    e.totalArea = totalArea;

    const bool finite = std::isfinite(blockArea) && std::isfinite(totalArea)
        && std::all_of(maxima.cbegin(), maxima.cend(), [](double x) { return std::isfinite(x); });
    if (!finite) {
        e.refusal = refused(Finding::ExtremeNotFinite);
        return e;
    }
    if (e.blocks < GumbelFewestBlocks) {
        e.refusal = refused(Finding::ExtremeTooFewBlocks, {e.blocks, GumbelFewestBlocks});
        return e;
    }
    if (!(blockArea > 0)) {
        e.refusal = refused(Finding::ExtremeBlockAreaNotPositive);
        return e;
    }
    if (!(totalArea > blockArea)) {
        e.refusal = refused(Finding::ExtremeAreaNotLarger, {blockArea, totalArea});
        return e;
    }

    const int n = e.blocks;
    double sum = 0;
    for (double x : maxima)
        sum += x;
    e.mean = sum / n;
    // Two passes: the spread of wall losses is small against their size, and one-pass sums of
    // squares would cancel it away.
    double squares = 0;
    for (double x : maxima)
        squares += (x - e.mean) * (x - e.mean);
    e.stdDev = std::sqrt(squares / (n - 1));
    const auto [lowest, highest] = std::minmax_element(maxima.cbegin(), maxima.cend());
    if (*lowest == *highest) {
        e.refusal = refused(Finding::ExtremeAllEqual);
        return e;
    }

    e.alpha = Sqrt6 * e.stdDev / Pi;
    e.lambda = e.mean - Euler * e.alpha;
    e.returnPeriod = totalArea / blockArea;
    // log1p keeps 1 − 1/T exact when T is large (a small block on a large shell).
    e.reducedVariate = -std::log(-std::log1p(-1.0 / e.returnPeriod));
    e.estimate = e.lambda + e.alpha * e.reducedVariate;

    // Standard error of the Gumbel quantile by the method of moments.
    const double k = Sqrt6 / Pi * (e.reducedVariate - Euler);
    e.standardError = e.stdDev / std::sqrt(double(n)) * std::sqrt(1.0 + 1.1396 * k + 1.1 * k * k);
    e.lower = e.estimate - Z95 * e.standardError;
    e.upper = e.estimate + Z95 * e.standardError;

    e.correlation = gumbelPlotCorrelation(maxima);
    if (!(e.correlation >= GumbelPoorFitBelow))
        e.refusal = refused(Finding::ExtremePoorFit, {e.correlation, GumbelPoorFitBelow});
    return e;
}

ThinnestWallEstimate estimateThinnestWall(const QVector<double> &blockMinima, double reference, double blockArea,
                                          double totalArea)
{
    ThinnestWallEstimate t;
    t.reference = reference;
    if (!std::isfinite(reference)) {
        t.loss.blocks = blockMinima.size();
        t.loss.blockArea = blockArea;
        t.loss.totalArea = totalArea;
        t.loss.refusal = refused(Finding::ExtremeNotFinite);
        return t;
    }
    QVector<double> losses;
    losses.reserve(blockMinima.size());
    for (double minimum : blockMinima)
        losses << reference - minimum;
    t.loss = estimateExtremeLoss(losses, blockArea, totalArea);
    // More loss is less wall: the interval turns over.
    t.thinnest = reference - t.loss.estimate;
    t.lower = reference - t.loss.upper;
    t.upper = reference - t.loss.lower;
    return t;
}
